# Included by src/audio/CMakeLists.txt.
# The real-time tone renderer is plain signal code and belongs to dravik_audio;
# the player that feeds it to the sound card is a library of its own, so only
# what plays sound links SFML's audio module and OpenAL.
target_sources(dravik_audio PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ToneSynth.cpp)

add_library(dravik_sound STATIC ${CMAKE_CURRENT_LIST_DIR}/SoundPlayer.cpp)
target_link_libraries(dravik_sound
  PUBLIC dravik_audio dravik_includes sfml-audio
  PRIVATE OpenAL::OpenAL Threads::Threads)
