# The stand-in screen reader, which the accessibility test and its benchmark both run beside the
# programs; built for whichever of them is built, in build/bench/ where the session script finds
# it. It needs the desktop's accessibility client library.
if(NOT TARGET screenreader)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(ATSPI REQUIRED IMPORTED_TARGET atspi-2 gobject-2.0)
    add_executable(screenreader ${PROJECT_SOURCE_DIR}/bench/screenreader.cpp)
    target_link_libraries(screenreader PRIVATE PkgConfig::ATSPI)
    set_target_properties(screenreader PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                  ${PROJECT_BINARY_DIR}/bench)
endif()
