# fs_common_cfg: what every target of ours is built with.
# fs_engine_cfg: the engine's extra rules. -Wconversion catches 8-bit sums that overflow;
# -ffp-contract=off keeps every multiply and add a separate float rounding, so a verdict
# does not depend on the compiler or the machine.
add_library(fs_common_cfg INTERFACE)
target_compile_options(fs_common_cfg INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual)
if(FIBERSCOPE_WERROR)
    target_compile_options(fs_common_cfg INTERFACE -Werror)
endif()
if(FIBERSCOPE_SANITIZE)
    target_compile_options(fs_common_cfg INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(fs_common_cfg INTERFACE -fsanitize=address,undefined)
    target_compile_definitions(fs_common_cfg INTERFACE _GLIBCXX_ASSERTIONS)
endif()
if(FIBERSCOPE_FUZZ)
    # Coverage for libFuzzer in every library the harnesses call.
    target_compile_options(fs_common_cfg INTERFACE -fsanitize=fuzzer-no-link)
    target_link_options(fs_common_cfg INTERFACE -fsanitize=fuzzer-no-link)
endif()
if(DEFINED ENV{CI})
    target_compile_definitions(fs_common_cfg INTERFACE _GLIBCXX_ASSERTIONS)
endif()

add_library(fs_engine_cfg INTERFACE)
target_link_libraries(fs_engine_cfg INTERFACE fs_common_cfg)
target_compile_options(fs_engine_cfg INTERFACE -Wconversion -ffp-contract=off)

# Includes name the folder: #include "analysis/TFiberAnalyzer.h".
target_include_directories(fs_common_cfg INTERFACE ${PROJECT_SOURCE_DIR})
