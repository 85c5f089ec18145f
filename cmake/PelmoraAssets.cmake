# pelmora_add_assets(TARGET MANIFEST [OUTPUT_DIR dir])
#
# Builds the assets MANIFEST names with pelmora-cli build whenever the manifest, a picture
# it names or the tool changed (the tool's dependency file tells the build system which
# pictures), adds the source it writes to TARGET and its folder to TARGET's include path.
# The outputs go to OUTPUT_DIR, by default a folder of the current binary directory.
function(pelmora_add_assets target manifest)
    cmake_parse_arguments(PARSE_ARGV 2 arg "" "OUTPUT_DIR" "")
    if(arg_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "pelmora_add_assets: unknown arguments: ${arg_UNPARSED_ARGUMENTS}")
    endif()
    cmake_path(ABSOLUTE_PATH manifest BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
    set(dir "${arg_OUTPUT_DIR}")
    if(NOT dir)
        set(dir "${CMAKE_CURRENT_BINARY_DIR}/pelmora_assets/${target}")
    endif()
    cmake_path(ABSOLUTE_PATH dir BASE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}" NORMALIZE)

    # The build system must know the outputs before the tool runs: header and source as
    # [output] names them, each on a line of its own as the manifest's examples write them.
    file(STRINGS "${manifest}" lines)
    set(section "")
    set(header "")
    set(source "")
    foreach(line IN LISTS lines)
        if(line MATCHES "^[ \t]*\\[([^]]*)\\]")
            set(section "${CMAKE_MATCH_1}")
        elseif(section STREQUAL "output" AND
               line MATCHES "^[ \t]*(header|source)[ \t]*=[ \t]*[\"']([^\"']*)[\"']")
            set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
        endif()
    endforeach()
    if(header STREQUAL "")
        message(FATAL_ERROR "pelmora_add_assets: ${manifest} names no header in [output]")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${manifest}")

    cmake_path(ABSOLUTE_PATH header BASE_DIRECTORY "${dir}" NORMALIZE OUTPUT_VARIABLE header_path)
    set(outputs "${header_path}")
    if(NOT source STREQUAL "")
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${dir}" NORMALIZE
                   OUTPUT_VARIABLE source_path)
        list(APPEND outputs "${source_path}")
    endif()
    cmake_path(GET header_path PARENT_PATH header_dir)
    cmake_path(GET header_path FILENAME header_name)
    # The tool's state file is the step's stamp: it is written whenever the step runs,
    # while the header and source are rewritten only when their bytes change.
    set(stamp "${header_dir}/.${header_name}.pelmora-state")
    set(depfile "${dir}/${target}.pelmora.d")
    add_custom_command(
        OUTPUT "${stamp}"
        BYPRODUCTS ${outputs}
        COMMAND Pelmora::cli build --quiet --depfile "${depfile}" --output-dir "${dir}"
                "${manifest}"
        DEPENDS "${manifest}" "$<TARGET_FILE:Pelmora::cli>"
        DEPFILE "${depfile}"
        COMMENT "Building the assets of ${manifest}"
        VERBATIM)
    target_sources(${target} PRIVATE ${outputs} "${stamp}")
    target_include_directories(${target} PRIVATE "${header_dir}")
endfunction()
