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

# pemvix_add_model(NAME SOURCES ... LIBS ...): a folder's window-free model (rules, statements,
# transactions and their typed outcomes). It links Qt Core, the data layer and other models only,
# so no widget or Qt Gui header is on its include path: a model file that includes one does not
# compile. pemvix_check_models() also refuses, at configure time, a model that links a library
# bringing Qt Gui or Qt Widgets along.
function(pemvix_add_model name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    pemvix_add_library(${name} SOURCES ${ARG_SOURCES} LIBS Qt6::Core ${ARG_LIBS})
    set_property(GLOBAL APPEND PROPERTY PEMVIX_MODELS ${name})
endfunction()

# The libraries a model may link: the data layer and the models.
function(_pemvix_model_closure target model seen_var)
    set(seen ${${seen_var}})
    get_target_property(libs ${target} INTERFACE_LINK_LIBRARIES)
    if(NOT libs)
        return()
    endif()
    get_property(models GLOBAL PROPERTY PEMVIX_MODELS)
    foreach(lib IN LISTS libs)
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" lib "${lib}")
        if(lib MATCHES "^\\$<" OR lib IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${lib})
        if(lib MATCHES "^Qt6?::(Gui|Widgets|PrintSupport|Test|OpenGL|OpenGLWidgets)$")
            message(FATAL_ERROR "The model ${model} links ${lib}; a model links Qt Core and the data layer only.")
        endif()
        if(lib MATCHES "^pemvix_" AND NOT lib STREQUAL "pemvix_data" AND NOT lib IN_LIST models)
            message(FATAL_ERROR "The model ${model} links ${lib}, which is no model.")
        endif()
        if(TARGET ${lib})
            _pemvix_model_closure(${lib} ${model} seen)
        endif()
    endforeach()
    set(${seen_var} ${seen} PARENT_SCOPE)
endfunction()

function(pemvix_check_models)
    get_property(models GLOBAL PROPERTY PEMVIX_MODELS)
    foreach(model IN LISTS models)
        set(seen "")
        _pemvix_model_closure(${model} ${model} seen)
    endforeach()
endfunction()
