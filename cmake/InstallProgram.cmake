# install_catalogue_program(NAME <name>)
#
# Installs a catalogue program the same way for both programs. Called from the program's own
# directory, whose sources hold <name>.desktop.in, <name>.svg and <name>.metainfo.xml; the program
# is the executable target <name> and its catalogue is <name>.mdb.
#
# The program lives in a folder of its own, lib/<name>, with its catalogue beside it; the desktop
# entry starts it in that folder, where it also keeps TITLE.TXT.
function(install_catalogue_program)
    cmake_parse_arguments(PROGRAM "" "NAME" "" ${ARGN})
    if(NOT PROGRAM_NAME OR PROGRAM_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "install_catalogue_program(NAME <name>)")
    endif()
    set(name ${PROGRAM_NAME})
    set(program_dir ${CMAKE_INSTALL_LIBDIR}/${name})
    install(TARGETS ${name} RUNTIME DESTINATION ${program_dir})

    # On the PATH through a relative link, so a staged (DESTDIR) or moved tree still holds; the
    # program finds its folder through the link's target.
    file(RELATIVE_PATH link_target ${CMAKE_INSTALL_FULL_BINDIR}
         ${CMAKE_INSTALL_FULL_LIBDIR}/${name}/${name})
    file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/bin)
    file(CREATE_LINK ${link_target} ${CMAKE_CURRENT_BINARY_DIR}/bin/${name} SYMBOLIC)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/bin/${name} DESTINATION ${CMAKE_INSTALL_BINDIR})

    # The desktop entry names the program's folder, which is known for certain only when
    # installing (cmake --install --prefix); made then, it is still installed like any other
    # file, so it is in install_manifest.txt. The copy made now is the one the tests validate.
    set(PROGRAM_DIR ${CMAKE_INSTALL_FULL_LIBDIR}/${name})
    configure_file(${name}.desktop.in ${name}.desktop @ONLY)
    install(CODE "
        set(PROGRAM_DIR \"\${CMAKE_INSTALL_PREFIX}/${program_dir}\")
        configure_file(\"${CMAKE_CURRENT_SOURCE_DIR}/${name}.desktop.in\"
                       \"${CMAKE_CURRENT_BINARY_DIR}/installed/${name}.desktop\" @ONLY)
    ")
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/installed/${name}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${name}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${name}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
            RENAME io.github.mdcatalogue.${name}.metainfo.xml)

    # An empty catalogue on the first install only: reinstalling never touches the user's
    # tracks. The program writes to it, so it is not in install_manifest.txt: uninstalling
    # keeps it.
    install(CODE "
        set(catalogue \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${program_dir}/${name}.mdb\")
        if(NOT EXISTS \"\${catalogue}\")
            execute_process(COMMAND \"$<TARGET_FILE:mkcatalogue>\" ${name} \"\${catalogue}\"
                            RESULT_VARIABLE failed)
            if(failed)
                message(FATAL_ERROR \"could not create \${catalogue}\")
            endif()
            message(STATUS \"Created empty catalogue: \${catalogue}\")
        endif()
    ")
endfunction()

# add_catalogue_program(NAME <name>)
#
# Both programs are built alike from their own folder: the window, one file per concern, as the
# library <name>_window that the tests and benchmarks drive, a thin main, and the install above.
function(add_catalogue_program)
    cmake_parse_arguments(PROGRAM "" "NAME" "" ${ARGN})
    set(name ${PROGRAM_NAME})
    add_library(${name}_window STATIC
        frm${name}.h browse.cpp entry.cpp gridcommands.cpp layout.cpp startup.cpp titleprint.cpp)
    target_include_directories(${name}_window PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name}_window PUBLIC ui)
    # The window's own icon, for a desktop whose icon theme does not have the installed one.
    qt_add_resources(${name}_window ${name}_icon PREFIX /icons FILES ${name}.svg)
    add_executable(${name} main.cpp)
    target_link_libraries(${name} PRIVATE ${name}_window)
    install_catalogue_program(NAME ${name})
endfunction()
