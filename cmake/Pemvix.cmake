# pemvix_add_library(NAME SOURCES ... LIBS ...): one static library per src/ folder.
function(pemvix_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

# pemvix_add_test(NAME SOURCES ... LIBS ... [TIMEOUT s] [SERVER] [SERVER_TLS]): one Qt Test executable
# and one CTest entry, run on the database file. SERVER adds a second entry, NAME_server, that runs
# the same suite on the PostgreSQL server named by PEMVIX_TEST_SERVER (./test.sh starts one); without
# that variable it reports Skipped. SERVER_TLS does the same over the server's TLS connection.
function(pemvix_add_test name)
    cmake_parse_arguments(ARG "SERVER;SERVER_TLS" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 600)
    endif()
    set(environment "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;PEMVIX_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
    add_test(NAME ${name} COMMAND ${name})
    # The file-mode run stays on the file even where the server's variables are set.
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${environment}"
        ENVIRONMENT_MODIFICATION "PEMVIX_TEST_SERVER=unset:;PGSERVICE=unset:")
    if(ARG_SERVER OR ARG_SERVER_TLS)
        set(way "")
        if(ARG_SERVER_TLS)
            set(way "--tls")
        endif()
        add_test(NAME ${name}_server
            COMMAND sh ${CMAKE_SOURCE_DIR}/tests/support/on_server.sh ${way} $<TARGET_FILE:${name}>)
        set_tests_properties(${name}_server PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${environment}"
            ENVIRONMENT_MODIFICATION "PGSERVICE=unset:" SKIP_RETURN_CODE 77)
    endif()
endfunction()
