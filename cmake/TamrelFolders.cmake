# Layers enforced by the build: a library exposes only its own folder, so that
# #include "radio/X.h" resolves only for a target that links tamrel_radio.
#
# tamrel_expose_folder(TARGET [FOLDER dir] [AS name])
# Gives TARGET an include root in the build tree that holds one link, named
# after the folder (or AS), to the folder (default: the current source folder).
# A second library of the same folder links the first instead of exposing it
# again.
function(tamrel_expose_folder target)
    cmake_parse_arguments(E "" "FOLDER;AS" "" ${ARGN})
    if(NOT E_FOLDER)
        set(E_FOLDER ${CMAKE_CURRENT_SOURCE_DIR})
    endif()
    if(NOT E_AS)
        get_filename_component(E_AS ${E_FOLDER} NAME)
    endif()
    set(root ${CMAKE_BINARY_DIR}/include/${target})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${E_FOLDER} ${root}/${E_AS} SYMBOLIC)
    target_include_directories(${target} PUBLIC ${root})
endfunction()
