# Linux: FLTK window, libcurl request object, dlopen for the library table.
find_package(CURL REQUIRED)
find_package(X11 REQUIRED)
find_package(Fontconfig REQUIRED)
find_package(Threads REQUIRED)
target_link_libraries(clockcore PUBLIC CURL::libcurl ${CMAKE_DL_LIBS} Threads::Threads)

# FLTK 1.3, linked statically so that the program needs only the X libraries beside it.
find_path(FLTK_INCLUDE_DIR FL/Fl.H REQUIRED)
find_library(FLTK_STATIC_LIBRARY NAMES libfltk.a REQUIRED)
set(FLTK_X_LIBRARIES Xrender Xcursor Xfixes Xext Xft fontconfig Xinerama X11 m)
target_include_directories(clockcore PUBLIC ${FLTK_INCLUDE_DIR})
target_link_libraries(clockcore PUBLIC ${FLTK_STATIC_LIBRARY} ${FLTK_X_LIBRARIES})

# The program.
add_executable(clocktool app/posix/main.cpp)
target_link_libraries(clocktool PRIVATE clockcore)

# Stand-ins for the Windows libraries that the program binds by name at first call.
# They sit beside the program, under their Windows names, where BindExternalRoutine
# looks first.
foreach(standin ole32 wininet)
  add_library(${standin}_standin SHARED app/posix/standins/${standin}.cpp)
  set_target_properties(${standin}_standin PROPERTIES
    PREFIX "" OUTPUT_NAME ${standin} SUFFIX ".dll"
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(clocktool ${standin}_standin)
endforeach()
# wininet.dll reads dates with the core's HTTP-date reader: the core is built as position-
# independent code for it, and only the stand-in's own function is exported.
set_target_properties(clockcore PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_link_libraries(wininet_standin PRIVATE clockcore)
target_link_options(wininet_standin PRIVATE -Wl,--as-needed -Wl,--exclude-libs,ALL)
