# ax_library(NAME DIR [LIBS ...])
# A static library made of every source, header, form and resource file in DIR.
# Files are found by glob so that adding a class needs no edit here.
function(ax_library name)
    cmake_parse_arguments(AX "" "" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/*.h
        ${CMAKE_CURRENT_SOURCE_DIR}/*.ui
        ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    if(NOT sources)
        return()  # a subsystem not written yet
    endif()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${AX_LIBS})
endfunction()
