# Windows: Win32 window, COM automation, LoadLibrary for the library table.
target_link_libraries(clockcore PUBLIC user32 gdi32 ole32 oleaut32 uuid)

# The program: a GUI-subsystem clocktool.exe with its manifest, icon and version
# resources (windres through CMake's RC language). The icon is drawn by tools/make-icon.
enable_language(RC)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(CLOCKTOOL_ICON ${CMAKE_CURRENT_BINARY_DIR}/clocktool.ico)
add_custom_command(OUTPUT ${CLOCKTOOL_ICON}
                   COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/make-icon ${CLOCKTOOL_ICON}
                   DEPENDS ${PROJECT_SOURCE_DIR}/tools/make-icon
                   COMMENT "Drawing the program icon")
set_source_files_properties(app/win32/clocktool.rc PROPERTIES
    OBJECT_DEPENDS "${CLOCKTOOL_ICON};${CMAKE_CURRENT_SOURCE_DIR}/app/win32/clocktool.manifest")
add_executable(clocktool WIN32 app/win32/main.cpp app/win32/clocktool.rc ${CLOCKTOOL_ICON})
target_include_directories(clocktool PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/app/win32 ${CMAKE_CURRENT_BINARY_DIR})
target_link_libraries(clocktool PRIVATE clockcore)
