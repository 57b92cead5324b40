# Linux: FLTK window, libcurl request object, dlopen for the library table.
find_package(CURL REQUIRED)
find_package(X11 REQUIRED)
find_package(Fontconfig REQUIRED)
find_package(Threads REQUIRED)
target_link_libraries(clockcore PUBLIC CURL::libcurl ${CMAKE_DL_LIBS} Threads::Threads)
