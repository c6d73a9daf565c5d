# Third-party libraries, all from Debian packages (scripts/setup.sh installs them).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(ZLIB REQUIRED)
find_package(EXPAT REQUIRED)
find_package(OpenGL REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(VORBIS REQUIRED IMPORTED_TARGET ogg vorbis vorbisfile vorbisenc)
pkg_check_modules(OPENJPEG REQUIRED IMPORTED_TARGET libopenjp2)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)

find_path(IL_INCLUDE_DIR IL/il.h REQUIRED)
find_library(IL_LIBRARY IL REQUIRED)
find_library(ILU_LIBRARY ILU REQUIRED)

# ANTLR 2: C++ runtime library and the code generator (run through Java).
find_path(ANTLR_INCLUDE_DIR antlr/CharScanner.hpp REQUIRED)
find_library(ANTLR_LIBRARY NAMES antlr-pic antlr REQUIRED)
find_program(ANTLR_TOOL NAMES runantlr antlr)
find_file(ANTLR_JAR antlr.jar PATHS /usr/share/java)

add_library(qv_thirdparty INTERFACE)
target_include_directories(qv_thirdparty INTERFACE ${IL_INCLUDE_DIR} ${ANTLR_INCLUDE_DIR})
target_link_libraries(qv_thirdparty INTERFACE
  PkgConfig::SDL2 PkgConfig::VORBIS PkgConfig::OPENJPEG
  ZLIB::ZLIB EXPAT::EXPAT OpenGL::GL
  ${IL_LIBRARY} ${ILU_LIBRARY} ${ANTLR_LIBRARY}
  Threads::Threads ${CMAKE_DL_LIBS})
