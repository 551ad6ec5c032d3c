#pragma once

#include <SFML/System/Time.hpp>
#include <SFML/Window/Cursor.hpp>

#include <array>
#include <string>
#include <vector>

namespace sf {
class Event;
class RenderWindow;
} // namespace sf

namespace dravik {

// Binds Dear ImGui (its legacy IO and its OpenGL2 renderer) to one SFML
// window: events in, one UI frame per update, the UI drawn on top of whatever
// SFML drew before. Keep the binding alive until the window is destroyed: the
// window uses the binding's mouse cursors.
class ImGuiBinding {
public:
    ImGuiBinding();
    ~ImGuiBinding();
    ImGuiBinding(const ImGuiBinding&) = delete;
    ImGuiBinding& operator=(const ImGuiBinding&) = delete;

    // Creates the ImGui context for `window`. The placement of the named
    // panels is read from `settingsFile` (sanitised, see PanelSettings.h) and
    // saved back to it; an empty name means nothing is read or saved.
    bool init(sf::RenderWindow& window, bool loadDefaultFont, std::string settingsFile,
              std::vector<std::string> panels);
    // Ends the ImGui context (saving its settings); the window may be closed.
    void shutdown();
    bool isActive() const;

    void processEvent(const sf::Event& event);
    // Starts a UI frame; every ImGui call of the frame comes after it.
    void update(sf::RenderWindow& window, sf::Time dt);
    // Ends the UI frame and draws it over the window's content.
    void render(sf::RenderWindow& window);

private:
    // Buttons or keys whose press is seen for at least one frame, even when
    // the release came before that frame started, so quick clicks and taps
    // register.
    template <int Count>
    struct LatchedInputs {
        std::array<bool, Count> down{};
        std::array<bool, Count> pressed{}; // pressed since the last frame

        void set(int index, bool isDown)
        {
            if (index < 0 || index >= Count)
                return;
            down[index] = isDown;
            pressed[index] = pressed[index] || isDown;
        }
        // What the frame sees as held; the latch is spent.
        bool takeForFrame(int index)
        {
            const bool held = down[index] || pressed[index];
            pressed[index] = false;
            return held;
        }
        bool anyDown() const
        {
            for (bool d : down) {
                if (d)
                    return true;
            }
            return false;
        }
        void release()
        {
            down.fill(false);
            pressed.fill(false);
        }
    };

    static constexpr int mouseButtonCount = 5;
    static constexpr int keyCount = 512;
    static constexpr int cursorCount = 9;

    static const char* clipboardText(void* binding);
    static void setClipboardText(void* binding, const char* text);

    void releaseAll();
    void updateMouseCursor(sf::RenderWindow& window);
    void loadSettings();
    void saveSettings();

    bool active = false;
    bool fontTextureMade = false;
    std::string settingsFile;
    std::vector<std::string> panels;
    bool saveFailureReported = false;
    std::string clipboard;

    float mouseX;
    float mouseY;
    LatchedInputs<mouseButtonCount> buttons;
    LatchedInputs<keyCount> keys;

    std::array<sf::Cursor, cursorCount> cursors;
    std::array<bool, cursorCount> cursorLoaded{};
    int shownCursor;
};

} // namespace dravik
