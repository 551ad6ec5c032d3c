# Every dependency comes from Debian's packages (see scripts/install-deps.sh).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(FFTW3 REQUIRED IMPORTED_TARGET fftw3)
pkg_check_modules(SMF REQUIRED IMPORTED_TARGET smf)
pkg_check_modules(RTMIDI REQUIRED IMPORTED_TARGET rtmidi)
pkg_check_modules(TOMLPP REQUIRED IMPORTED_TARGET tomlplusplus)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(AUBIO REQUIRED IMPORTED_TARGET aubio)
find_package(CLI11 REQUIRED)

find_package(SFML 2.5 REQUIRED COMPONENTS graphics window system audio)
find_package(OpenGL REQUIRED)
find_package(OpenAL REQUIRED)

# Dear ImGui is a prebuilt static library; its headers are included as system
# headers so our warning flags apply to our code only.
pkg_check_modules(IMGUI_PC REQUIRED imgui)
add_library(dravik_imgui INTERFACE)
target_include_directories(dravik_imgui SYSTEM INTERFACE ${IMGUI_PC_INCLUDE_DIRS})
target_link_directories(dravik_imgui INTERFACE ${IMGUI_PC_LIBRARY_DIRS})
target_link_libraries(dravik_imgui INTERFACE ${IMGUI_PC_LIBRARIES} OpenGL::GL)

if(DRAVIK_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(DRAVIK_BUILD_BENCHMARKS)
  find_package(benchmark REQUIRED)
endif()
