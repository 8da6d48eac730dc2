# Configures a scratch project whose helix_add_shader_plugin call breaks the
# rule CASE names; expects the one line that names the argument.
#   cmake -D CASE=<rule> -D SOURCE_DIR=<repository> -D SCRATCH=<folder> -P ConfigureErrors.cmake
set(call "helix_add_shader_plugin(scratch SHADER shader.glsl NAME Scratch")
set(cases
  "id_length|${call} ID ABC)|ID 'ABC' must be exactly 4 printable"
  "id_unprintable|${call} ID \"AB\\tC\")|ID 'AB\tC' must be exactly 4 printable"
  "name_length|${call}ScratchScratch ID SCRA)|NAME 'ScratchScratchScratch' has 21 characters"
  "duplicate_id|${call} ID SCRA)\nhelix_add_shader_plugin(other SHADER shader.glsl NAME Other ID SCRA)|ID 'SCRA' is already the identifier of scratch"
  "builtin_id|${call} ID HLXM)|ID 'HLXM' is already the identifier of HelixmorphicsV1"
  "missing_shader|helix_add_shader_plugin(scratch SHADER nowhere.glsl NAME S ID SCRA)|SHADER file 'nowhere.glsl' does not exist")
foreach(entry IN LISTS cases)
  if(entry MATCHES "^${CASE}\\|(.*)\\|(.*)$")
    set(calls "${CMAKE_MATCH_1}")
    set(expected "${CMAKE_MATCH_2}")
  endif()
endforeach()
if(NOT DEFINED expected)
  message(FATAL_ERROR "unknown CASE '${CASE}'")
endif()

set(folder ${SCRATCH}/${CASE})
file(REMOVE_RECURSE ${folder})
file(WRITE ${folder}/shader.glsl "void mainImage(out vec4 c, in vec2 p) { c = vec4(1.0); }\n")
file(WRITE ${folder}/CMakeLists.txt "cmake_minimum_required(VERSION 3.25)
project(Scratch LANGUAGES NONE)
include(${SOURCE_DIR}/cmake/HelixShaderPlugin.cmake)
${calls}
")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${folder} -B ${folder}/build
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
string(REGEX REPLACE "([][()\\\\.*+?^$])" "\\\\\\1" pattern "${expected}")
if(status EQUAL 0 OR NOT out MATCHES "\n +helix_add_shader_plugin\\((scratch|other)\\): ${pattern}[^\n]*\n")
  message(FATAL_ERROR "expected the configure to fail with '${expected}':\n${out}")
endif()
