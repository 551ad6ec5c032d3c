#include <SFML/Graphics/Texture.hpp>
#include <gtest/gtest.h>

#include <optional>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

// SFML closes its display, and Mesa unloads its driver, once the last
// graphics resource is gone; blocks the driver still refers to then look
// leaked, from a module that no longer has a name to suppress. A resource held
// across the run keeps the driver loaded, and the leak check runs before it goes.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    std::optional<sf::Texture> keepsGraphicsLoaded;
    if (!GTEST_FLAG_GET(list_tests)) // listing happens at build time, without a display
        keepsGraphicsLoaded.emplace();
    const int result = RUN_ALL_TESTS();
#if defined(__SANITIZE_ADDRESS__)
    __lsan_do_leak_check();
#endif
    return result;
}
