# Windows: Win32 window, COM automation, LoadLibrary for the library table.
target_link_libraries(clockcore PUBLIC user32 gdi32 ole32 oleaut32 uuid)
