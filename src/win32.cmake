# Windows: Win32 window, COM automation, LoadLibrary for the library table.
target_link_libraries(clockcore PUBLIC user32 gdi32 ole32 oleaut32 uuid)

# The program: a GUI-subsystem clocktool.exe with its manifest, icon and version
# resources (windres through CMake's RC language). The icon's one drawing is app/icon.cpp:
# tools/make-icon.cpp, compiled with it by the build machine's own C++ compiler (this
# build cross-compiles, so the target compiler's programs would not run here), writes
# the .ico that the resource script embeds.
enable_language(RC)
find_program(CLOCKTOOL_HOST_CXX NAMES c++ g++ clang++ REQUIRED
             DOC "The build machine's C++ compiler, for tools/make-icon.cpp")
set(CLOCKTOOL_ICON ${CMAKE_CURRENT_BINARY_DIR}/clocktool.ico)
set(CLOCKTOOL_MAKE_ICON ${CMAKE_CURRENT_BINARY_DIR}/make-icon)
add_custom_command(OUTPUT ${CLOCKTOOL_ICON}
                   COMMAND ${CLOCKTOOL_HOST_CXX} -std=c++20 -I${CMAKE_CURRENT_SOURCE_DIR}
                           ${PROJECT_SOURCE_DIR}/tools/make-icon.cpp ${CMAKE_CURRENT_SOURCE_DIR}/app/icon.cpp
                           -o ${CLOCKTOOL_MAKE_ICON}
                   COMMAND ${CLOCKTOOL_MAKE_ICON} ${CLOCKTOOL_ICON}
                   DEPENDS ${PROJECT_SOURCE_DIR}/tools/make-icon.cpp
                           ${CMAKE_CURRENT_SOURCE_DIR}/app/icon.cpp ${CMAKE_CURRENT_SOURCE_DIR}/app/icon.h
                   BYPRODUCTS ${CLOCKTOOL_MAKE_ICON}
                   COMMENT "Drawing the program icon"
                   VERBATIM)
set_source_files_properties(app/win32/clocktool.rc PROPERTIES
    OBJECT_DEPENDS "${CLOCKTOOL_ICON};${CMAKE_CURRENT_SOURCE_DIR}/app/win32/clocktool.manifest")
add_executable(clocktool WIN32 app/win32/main.cpp app/win32/clocktool.rc ${CLOCKTOOL_ICON})
target_include_directories(clocktool PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/app/win32 ${CMAKE_CURRENT_BINARY_DIR})
target_link_libraries(clocktool PRIVATE clockcore)
