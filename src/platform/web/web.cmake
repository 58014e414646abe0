# The browser's build, with Emscripten (emcmake cmake -DTAILGATE_SYSTEM=web
# -DTAILGATE_NATIVE_BUILD=build): the game as a WebAssembly module beside
# the page that plays it (web/), the game data and the glyph atlas taken from
# a desktop build (its generator and atlas tool run on the desktop), and the
# music synthesiser and SoundFont served beside the page. Included from the
# top-level CMakeLists.txt after the layer libraries.
if(NOT EMSCRIPTEN)
  message(FATAL_ERROR "TAILGATE_SYSTEM=web builds with Emscripten: emcmake cmake -DTAILGATE_SYSTEM=web ...")
endif()
set(TAILGATE_NATIVE_BUILD "" CACHE PATH "A desktop build folder whose data and glyph atlas the page takes")
get_filename_component(native ${TAILGATE_NATIVE_BUILD} ABSOLUTE BASE_DIR ${CMAKE_SOURCE_DIR})
set(TAILGATE_TEXT_ATLAS ${native}/generated/text_atlas.cpp)
if(NOT EXISTS ${TAILGATE_TEXT_ATLAS} OR NOT EXISTS ${native}/data)
  message(FATAL_ERROR "TAILGATE_NATIVE_BUILD (${native}) has no generated/text_atlas.cpp and data/: build the game "
                      "for the desktop first (scripts/build.sh)")
endif()
set(TAILGATE_SOUNDFONT_FILE /usr/share/sounds/sf2/TimGM6mb.sf2 CACHE FILEPATH "The SoundFont served beside the page")
set(TAILGATE_WEB_MODULES ${CMAKE_SOURCE_DIR}/web/node_modules CACHE PATH "npm's folder for web/package.json (npm ci --offline)")

# The web backend, with the desktops' POSIX files and folders, which
# Emscripten's file system runs as they are.
set(web ${CMAKE_SOURCE_DIR}/src/platform/web)
file(GLOB system_sources CONFIGURE_DEPENDS ${web}/*.cpp)
target_sources(tailgate_platform PRIVATE ${system_sources} ${CMAKE_SOURCE_DIR}/src/platform/sdl/files_posix.cpp
                                         ${CMAKE_SOURCE_DIR}/src/platform/sdl/folders_posix.cpp ${TAILGATE_TEXT_ATLAS})
set_property(SOURCE ${CMAKE_SOURCE_DIR}/src/platform/sdl/folders_posix.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             TAILGATE_INSTALLED_DATA="data")

# The code is optimised for speed, at the link too (the link-time code
# generation and the WebAssembly optimiser), with the instructions every
# browser of the last years has: bulk memory, whose memory.copy moves the
# picture's rows where the C library would call out to JavaScript for each,
# and 128-bit SIMD, which runs the keyed blits' SSE2 sixteen pixels at a
# time as on the desktop. The module stays under 400 KB.
foreach(lib IN LISTS TAILGATE_LAYER_LIBS)
  target_compile_options(${lib} PRIVATE -O3 -flto -mbulk-memory -msimd128 -msse2)
endforeach()

add_library(tailgate_game INTERFACE)
list(REVERSE TAILGATE_LAYER_LIBS)
target_link_libraries(tailgate_game INTERFACE ${TAILGATE_LAYER_LIBS})
target_include_directories(tailgate_game INTERFACE ${CMAKE_SOURCE_DIR}/src)

# The module: made by the page (createTailgate), its waits inside a pass
# giving the page control back (Asyncify), the data preloaded at /game/data
# beside the program's place (/game/tailgate, as /proc/self/exe says).
#
# Asyncify instruments every function that may be on the stack when the
# program sleeps, and takes any call through a function pointer for one that
# may sleep: the run mode's table (platform/run_mode.h) and the C library's
# streams would make the whole game pay for it in every pass. These
# functions call through pointers that never reach a sleep (the clock, the
# keys, the events, files, text): the game sleeps only where it waits for a
# frame, while paused, and in the shell's pacing, and an fsync never sleeps
# here (sync_web.cpp). A function named here that is on the stack of a sleep
# stops the module with "invalid state": the page's tests take every path
# that sleeps.
set(never_sleeping_calls
    "plat_get_tick_count()"
    "plat_key_down(int)"
    "plat_forget_held_keys()"
    "plat_peek_message(PlatMessage*)"
    "plat_window_destroy()"
    "(anonymous namespace)::music_clock_now()"
    "(anonymous namespace)::load_optional(int (*)(), char const*)"
    "(anonymous namespace)::apply_event(PlatKeyEvent const&, int)"
    "(anonymous namespace)::feed_live_keys(bool)"
    __fwritex
    fflush
    fclose
    fread
    __fseeko_unlocked
    __ftello_unlocked
    __vfprintf_internal
    printf_core
    pop_arg
    close_file
    __stdio_exit)
list(JOIN never_sleeping_calls "\n" never_sleeping_lines)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/never_sleeping_calls.txt CONTENT "${never_sleeping_lines}\n")
add_executable(tailgate ${CMAKE_SOURCE_DIR}/src/shell/main.cpp)
target_link_libraries(tailgate PRIVATE tailgate_game)
target_compile_options(tailgate PRIVATE -O3 -flto -mbulk-memory -msimd128 -msse2)
set_target_properties(tailgate PROPERTIES SUFFIX ".js")
target_link_options(
  tailgate PRIVATE
  -O3 -flto -mbulk-memory -msimd128 -sMODULARIZE=1 -sEXPORT_NAME=createTailgate -sENVIRONMENT=web -sASYNCIFY -sASYNCIFY_STACK_SIZE=32768
  -sASYNCIFY_REMOVE=@${CMAKE_BINARY_DIR}/never_sleeping_calls.txt
  -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1 -sFORCE_FILESYSTEM=1 -lidbfs.js
  "-sEXPORTED_RUNTIME_METHODS=['FS']" "-sEXPORTED_FUNCTIONS=['_main','_malloc','_free']"
  --pre-js ${web}/module.js --preload-file ${native}/data@/game/data)
set_property(TARGET tailgate APPEND PROPERTY LINK_DEPENDS ${web}/module.js ${CMAKE_BINARY_DIR}/never_sleeping_calls.txt)

# The page and what it serves beside the module.
set(page_files ${CMAKE_SOURCE_DIR}/web/index.html ${CMAKE_SOURCE_DIR}/web/page.js)
set(synth_dir ${TAILGATE_WEB_MODULES}/js-synthesizer)
set(served)
foreach(file IN LISTS page_files)
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${name} COMMAND ${CMAKE_COMMAND} -E copy ${file} ${CMAKE_BINARY_DIR}/${name}
                     DEPENDS ${file} VERBATIM)
  list(APPEND served ${CMAKE_BINARY_DIR}/${name})
endforeach()
if(EXISTS ${synth_dir}/dist/js-synthesizer.min.js AND EXISTS ${TAILGATE_SOUNDFONT_FILE})
  foreach(file ${synth_dir}/dist/js-synthesizer.min.js ${synth_dir}/externals/libfluidsynth-2.4.6.js
               ${TAILGATE_SOUNDFONT_FILE})
    get_filename_component(name ${file} NAME)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${name} COMMAND ${CMAKE_COMMAND} -E copy ${file} ${CMAKE_BINARY_DIR}/${name}
                       DEPENDS ${file} VERBATIM)
    list(APPEND served ${CMAKE_BINARY_DIR}/${name})
  endforeach()
else()
  message(WARNING "no js-synthesizer in ${synth_dir} (npm ci --offline in web/) or no ${TAILGATE_SOUNDFONT_FILE}: "
                  "the page plays without music")
endif()
add_custom_target(page ALL DEPENDS ${served})
