# Cross build for Windows with Debian's MinGW-w64 compilers. The including toolchain file sets
# KELM_MINGW_TRIPLE (x86_64-w64-mingw32 or i686-w64-mingw32) first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR "${KELM_MINGW_PROCESSOR}")

# The posix flavour: std::thread and friends need winpthreads, linked in statically below.
set(CMAKE_C_COMPILER "${KELM_MINGW_TRIPLE}-gcc-posix")
set(CMAKE_CXX_COMPILER "${KELM_MINGW_TRIPLE}-g++-posix")
set(CMAKE_RC_COMPILER "${KELM_MINGW_TRIPLE}-windres")

set(CMAKE_FIND_ROOT_PATH "/usr/${KELM_MINGW_TRIPLE}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# nlohmann-json is header-only: the build machine's headers serve, seen through a folder of
# their own so that /usr/include never joins the cross compiler's search path.
set(_kelm_json "${CMAKE_BINARY_DIR}/cross-packages/nlohmann_json")
file(MAKE_DIRECTORY "${_kelm_json}/include")
file(CREATE_LINK /usr/include/nlohmann "${_kelm_json}/include/nlohmann" SYMBOLIC)
file(WRITE "${_kelm_json}/nlohmann_jsonConfig.cmake" "
if(NOT TARGET nlohmann_json::nlohmann_json)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES \"${_kelm_json}/include\")
endif()
")
file(COPY /usr/share/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake DESTINATION "${_kelm_json}")
set(nlohmann_json_DIR "${_kelm_json}" CACHE PATH "")
# zlib's static archive, so the programs need no zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)

# The C++ runtime, libgcc and winpthreads inside the program: it needs only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine, in a prefix inside the build folder (tools/wine-run).
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run;${CMAKE_BINARY_DIR}/wine-prefix")
