#include "ui/ImGuiBinding.h"

#include "settings/PanelSettings.h"
#include "settings/SettingsFile.h"

#include <backends/imgui_impl_opengl2.h>
#include <imgui.h>

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Clipboard.hpp>
#include <SFML/Window/Context.hpp>
#include <SFML/Window/Event.hpp>

#include <cfloat>
#include <cstring>
#include <iostream>
#include <string_view>
#include <utility>

namespace dravik {

namespace {

constexpr float minDeltaTime = 1.0e-6f;

// Cursor shapes in the order of ImGuiMouseCursor_.
constexpr sf::Cursor::Type cursorTypes[] = {
    sf::Cursor::Arrow,                  // Arrow
    sf::Cursor::Text,                   // TextInput
    sf::Cursor::SizeAll,                // ResizeAll
    sf::Cursor::SizeVertical,           // ResizeNS
    sf::Cursor::SizeHorizontal,         // ResizeEW
    sf::Cursor::SizeBottomLeftTopRight, // ResizeNESW
    sf::Cursor::SizeTopLeftBottomRight, // ResizeNWSE
    sf::Cursor::Hand,                   // Hand
    sf::Cursor::NotAllowed,             // NotAllowed
};
static_assert(sizeof(cursorTypes) / sizeof(cursorTypes[0]) == ImGuiMouseCursor_COUNT);

void mapKeys(ImGuiIO& io)
{
    io.KeyMap[ImGuiKey_Tab] = sf::Keyboard::Tab;
    io.KeyMap[ImGuiKey_LeftArrow] = sf::Keyboard::Left;
    io.KeyMap[ImGuiKey_RightArrow] = sf::Keyboard::Right;
    io.KeyMap[ImGuiKey_UpArrow] = sf::Keyboard::Up;
    io.KeyMap[ImGuiKey_DownArrow] = sf::Keyboard::Down;
    io.KeyMap[ImGuiKey_PageUp] = sf::Keyboard::PageUp;
    io.KeyMap[ImGuiKey_PageDown] = sf::Keyboard::PageDown;
    io.KeyMap[ImGuiKey_Home] = sf::Keyboard::Home;
    io.KeyMap[ImGuiKey_End] = sf::Keyboard::End;
    io.KeyMap[ImGuiKey_Insert] = sf::Keyboard::Insert;
    io.KeyMap[ImGuiKey_Delete] = sf::Keyboard::Delete;
    io.KeyMap[ImGuiKey_Backspace] = sf::Keyboard::Backspace;
    io.KeyMap[ImGuiKey_Space] = sf::Keyboard::Space;
    io.KeyMap[ImGuiKey_Enter] = sf::Keyboard::Enter;
    io.KeyMap[ImGuiKey_Escape] = sf::Keyboard::Escape;
    // SFML reports the keypad's Enter as Enter.
    io.KeyMap[ImGuiKey_KeyPadEnter] = sf::Keyboard::Enter;
    io.KeyMap[ImGuiKey_A] = sf::Keyboard::A;
    io.KeyMap[ImGuiKey_C] = sf::Keyboard::C;
    io.KeyMap[ImGuiKey_V] = sf::Keyboard::V;
    io.KeyMap[ImGuiKey_X] = sf::Keyboard::X;
    io.KeyMap[ImGuiKey_Y] = sf::Keyboard::Y;
    io.KeyMap[ImGuiKey_Z] = sf::Keyboard::Z;
}

} // namespace

ImGuiBinding::ImGuiBinding()
    : mouseX(-FLT_MAX)
    , mouseY(-FLT_MAX)
    , shownCursor(ImGuiMouseCursor_COUNT)
{
}

ImGuiBinding::~ImGuiBinding()
{
    shutdown();
}

bool ImGuiBinding::init(sf::RenderWindow& window, bool loadDefaultFont, std::string settings,
                        std::vector<std::string> panelTitles)
{
    if (active)
        return false;

    static_assert(cursorCount == ImGuiMouseCursor_COUNT);
    static_assert(mouseButtonCount == IM_ARRAYSIZE(ImGuiIO::MouseDown));
    static_assert(keyCount == IM_ARRAYSIZE(ImGuiIO::KeysDown));
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    active = true;
    settingsFile = std::move(settings);
    panels = std::move(panelTitles);
    saveFailureReported = false;

    ImGuiIO& io = ImGui::GetIO();
    // ImGui's own file handling trusts the file and truncates it in place
    // when saving; ours bounds what is read and replaces the file atomically.
    io.IniFilename = nullptr;
    loadSettings();
    io.BackendPlatformName = "dravik_sfml";
    io.BackendFlags |= ImGuiBackendFlags_HasMouseCursors;
    io.GetClipboardTextFn = &ImGuiBinding::clipboardText;
    io.SetClipboardTextFn = &ImGuiBinding::setClipboardText;
    io.ClipboardUserData = this;
    io.DisplaySize = ImVec2(static_cast<float>(window.getSize().x), static_cast<float>(window.getSize().y));
    mapKeys(io);
    if (loadDefaultFont)
        io.Fonts->AddFontDefault();

    for (int i = 0; i < cursorCount; ++i)
        cursorLoaded[i] = cursors[i].loadFromSystem(cursorTypes[i]);
    shownCursor = ImGuiMouseCursor_COUNT;
    fontTextureMade = false;
    releaseAll();
    mouseX = -FLT_MAX;
    mouseY = -FLT_MAX;

    window.setActive(true);
    return ImGui_ImplOpenGL2_Init();
}

void ImGuiBinding::shutdown()
{
    if (!active)
        return;
    saveSettings();
    // The font texture lives in the contexts SFML shares, so any of them can
    // release it, also when the window's own context is already gone.
    {
        sf::Context context;
        ImGui_ImplOpenGL2_Shutdown();
    }
    ImGui::DestroyContext();
    active = false;
    settingsFile.clear();
}

bool ImGuiBinding::isActive() const
{
    return active;
}

void ImGuiBinding::processEvent(const sf::Event& event)
{
    if (!active)
        return;
    ImGuiIO& io = ImGui::GetIO();

    switch (event.type) {
    case sf::Event::MouseMoved:
        mouseX = static_cast<float>(event.mouseMove.x);
        mouseY = static_cast<float>(event.mouseMove.y);
        break;

    case sf::Event::MouseButtonPressed:
    case sf::Event::MouseButtonReleased:
        mouseX = static_cast<float>(event.mouseButton.x);
        mouseY = static_cast<float>(event.mouseButton.y);
        buttons.set(static_cast<int>(event.mouseButton.button), event.type == sf::Event::MouseButtonPressed);
        break;

    case sf::Event::MouseWheelScrolled:
        mouseX = static_cast<float>(event.mouseWheelScroll.x);
        mouseY = static_cast<float>(event.mouseWheelScroll.y);
        if (event.mouseWheelScroll.wheel == sf::Mouse::VerticalWheel)
            io.MouseWheel += event.mouseWheelScroll.delta;
        else
            io.MouseWheelH += event.mouseWheelScroll.delta;
        break;

    case sf::Event::MouseLeft:
        // While a button is held the pointer is still ours (dragging a slider).
        if (!buttons.anyDown()) {
            mouseX = -FLT_MAX;
            mouseY = -FLT_MAX;
        }
        break;

    case sf::Event::KeyPressed:
    case sf::Event::KeyReleased:
        keys.set(static_cast<int>(event.key.code), event.type == sf::Event::KeyPressed);
        break;

    case sf::Event::TextEntered:
        // Control characters arrive as keys.
        if (event.text.unicode >= 0x20 && event.text.unicode != 0x7F)
            io.AddInputCharacter(event.text.unicode);
        break;

    case sf::Event::GainedFocus:
        io.AddFocusEvent(true);
        break;

    case sf::Event::LostFocus:
        // Releases arriving while unfocused never reach us.
        releaseAll();
        io.AddFocusEvent(false);
        break;

    default:
        break;
    }
}

void ImGuiBinding::update(sf::RenderWindow& window, sf::Time dt)
{
    if (!active)
        return;
    ImGuiIO& io = ImGui::GetIO();

    const sf::Vector2u size = window.getSize();
    io.DisplaySize = ImVec2(static_cast<float>(size.x), static_cast<float>(size.y));
    io.DeltaTime = dt.asSeconds() > 0.0f ? dt.asSeconds() : minDeltaTime;
    io.MousePos = ImVec2(mouseX, mouseY);
    for (int i = 0; i < mouseButtonCount; ++i)
        io.MouseDown[i] = buttons.takeForFrame(i);
    for (int i = 0; i < keyCount; ++i)
        io.KeysDown[i] = keys.takeForFrame(i);
    // From the modifier keys themselves: on X11 the flags of a key event tell
    // the state before it, so pressing Ctrl would report it released.
    const auto eitherDown = [&io](sf::Keyboard::Key left, sf::Keyboard::Key right) {
        return io.KeysDown[left] || io.KeysDown[right];
    };
    io.KeyCtrl = eitherDown(sf::Keyboard::LControl, sf::Keyboard::RControl);
    io.KeyShift = eitherDown(sf::Keyboard::LShift, sf::Keyboard::RShift);
    io.KeyAlt = eitherDown(sf::Keyboard::LAlt, sf::Keyboard::RAlt);
    io.KeySuper = eitherDown(sf::Keyboard::LSystem, sf::Keyboard::RSystem);

    updateMouseCursor(window);
    // ImGui raises the wish at most once per io.IniSavingRate (5 s) after a
    // panel moved, so saving here never runs every frame.
    if (io.WantSaveIniSettings)
        saveSettings();
    // The renderer makes its font texture on the first frame, which needs a GL
    // context even when the window closed before that frame; later frames
    // touch no GL state here, so the context is left as it is.
    if (fontTextureMade) {
        ImGui_ImplOpenGL2_NewFrame();
    } else if (window.setActive(true)) {
        ImGui_ImplOpenGL2_NewFrame();
    } else {
        sf::Context context;
        ImGui_ImplOpenGL2_NewFrame();
    }
    fontTextureMade = true;
    ImGui::NewFrame();
}

void ImGuiBinding::render(sf::RenderWindow& window)
{
    if (!active)
        return;
    ImGui::Render();
    if (!window.setActive(true))
        return;
    window.pushGLStates();
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
    window.popGLStates();
    // popGLStates restores the GL state but not SFML's record of it.
    window.resetGLStates();
}

const char* ImGuiBinding::clipboardText(void* binding)
{
    auto* self = static_cast<ImGuiBinding*>(binding);
    const std::basic_string<sf::Uint8> utf8 = sf::Clipboard::getString().toUtf8();
    self->clipboard.assign(utf8.begin(), utf8.end());
    return self->clipboard.c_str();
}

void ImGuiBinding::setClipboardText(void*, const char* text)
{
    sf::Clipboard::setString(sf::String::fromUtf8(text, text + std::strlen(text)));
}

void ImGuiBinding::loadSettings()
{
    if (settingsFile.empty())
        return;
    const PanelSettingsLoad_t loaded = loadPanelSettings(settingsFile, panels);
    if (!loaded.warning.empty())
        std::cerr << loaded.warning << '\n';
    // Never handed an empty buffer, which ImGui reads past.
    if (!loaded.text.empty())
        ImGui::LoadIniSettingsFromMemory(loaded.text.data(), loaded.text.size());
}

void ImGuiBinding::saveSettings()
{
    ImGui::GetIO().WantSaveIniSettings = false;
    if (settingsFile.empty())
        return;
    std::size_t size = 0;
    const char* text = ImGui::SaveIniSettingsToMemory(&size);
    const std::string problem = writeSettingsFileAtomically(settingsFile, std::string_view(text, size));
    // Once per run: a folder that cannot be written stays so.
    if (!problem.empty() && !saveFailureReported) {
        std::cerr << "dravik: cannot save the panel layout to " << settingsFile << " (" << problem << ")\n";
        saveFailureReported = true;
    }
}

void ImGuiBinding::releaseAll()
{
    buttons.release();
    keys.release();
}

void ImGuiBinding::updateMouseCursor(sf::RenderWindow& window)
{
    const ImGuiIO& io = ImGui::GetIO();
    if ((io.ConfigFlags & ImGuiConfigFlags_NoMouseCursorChange) != 0)
        return;

    const ImGuiMouseCursor wanted = io.MouseDrawCursor ? ImGuiMouseCursor_None : ImGui::GetMouseCursor();
    if (wanted == shownCursor)
        return;
    if (wanted == ImGuiMouseCursor_None) {
        window.setMouseCursorVisible(false);
    } else {
        const int shape = wanted >= 0 && wanted < cursorCount && cursorLoaded[wanted] ? wanted : ImGuiMouseCursor_Arrow;
        if (cursorLoaded[shape])
            window.setMouseCursor(cursors[shape]);
        window.setMouseCursorVisible(true);
    }
    shownCursor = wanted;
}

} // namespace dravik
