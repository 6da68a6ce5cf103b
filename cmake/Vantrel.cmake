# Helpers that keep every target of the project built the same way.

# ZXing's headers warn and return std::wstring text unless told to speak UTF-8.
add_compile_definitions(ZX_USE_UTF8 QT_NO_KEYWORDS)

# vantrel_module(<name> SOURCES ... [DEPS ...])
# One LabelKit module: a static library LabelKit_<name> with the alias LabelKit::<name>.
# Includes are written from the repository root ("LabelKit/model/LabelDocument.h").
function(vantrel_module name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    set(target LabelKit_${name})
    add_library(${target} STATIC ${ARG_SOURCES})
    add_library(LabelKit::${name} ALIAS ${target})
    set_target_properties(${target} PROPERTIES AUTOMOC ON POSITION_INDEPENDENT_CODE ON)
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS} PRIVATE vantrel_warnings)
    set_property(GLOBAL APPEND PROPERTY VANTREL_MODULES ${target})
endfunction()

# vantrel_test(<name> SOURCES ... LIBS ... [TIMEOUT seconds] [ENVIRONMENT VAR=VALUE ...])
# One test program per module, run by ctest as one test.
function(vantrel_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
    set(target test_${name})
    add_executable(${target} ${ARG_SOURCES})
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} VantrelTestSupport GTest::gtest GTest::gmock
                          vantrel_warnings)
    add_test(NAME ${name} COMMAND ${target})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${ARG_ENVIRONMENT}")
endfunction()

# vantrel_bench(<name> SOURCES ... LIBS ...)
function(vantrel_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    set(target bench_${name})
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} benchmark::benchmark vantrel_warnings)
endfunction()

# vantrel_test_folder(<name> LIBS ... [TIMEOUT seconds] [ENVIRONMENT ...])
# The test program of a module: every *Test.cpp of the calling folder.
function(vantrel_test_folder name)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Test.cpp)
    if(NOT sources)
        return()
    endif()
    vantrel_test(${name} SOURCES ${sources} ${ARGN})
endfunction()
