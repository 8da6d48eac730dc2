# Builds shader plugins from broken shaders in a scratch project and expects
# each build to fail with the compiler's message at the shader file's line:
# a syntax error in mainImage-style text that says iTime (the build's define
# line and the prepared header come before it), and a uniform the plugin
# does not feed.
#   cmake -D SOURCE_DIR=<repository> -D SCRATCH=<folder> -P BrokenShaderBuild.cmake
set(folder ${SCRATCH}/broken-shader)
file(REMOVE_RECURSE ${folder})
file(WRITE ${folder}/effects/plasma.glsl "// Line 1
// A plasma with a mistake on line 12.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
  vec2 uv = fragCoord / iResolution.xy;
  float v = sin(uv.x * 10.0 + iTime);
  v += sin(uv.y * 7.0 - iTime);
  v += sin((uv.x + uv.y) * 5.0);
  v *= 0.5;
  vec3 colour = vec3(v, v * v, 1.0 - v);


  fragColor = vec4(colour, 1.0) +;
}
")
file(WRITE ${folder}/effects/counter.glsl "void mainImage(out vec4 c, in vec2 p) {
  // iFrame in a comment is no use of it.
  c = vec4(fract(float(iFrame) / 60.0) + iTimeDelta);
}
")
# The plugin machinery's own functions do nothing here: only the build
# step that checks the shader runs.
file(WRITE ${folder}/CMakeLists.txt "cmake_minimum_required(VERSION 3.25)
project(Scratch LANGUAGES CXX)
function(helix_link_plugin_machinery)
endfunction()
function(helix_warnings)
endfunction()
function(helix_plugin_binary_interface target)
  set_target_properties(\${target} PROPERTIES EXCLUDE_FROM_ALL ON)
endfunction()
set(PROJECT_SOURCE_DIR ${SOURCE_DIR})
include(${SOURCE_DIR}/cmake/HelixShaderPlugin.cmake)
helix_add_shader_plugin(plasma SHADER effects/plasma.glsl NAME Plasma ID PLSM)
helix_add_shader_plugin(counter SHADER effects/counter.glsl NAME Counter ID CNTR)
foreach(plugin plasma counter)
  add_custom_target(check_\${plugin} DEPENDS
    \${CMAKE_CURRENT_BINARY_DIR}/\${plugin}_shader_plugin/ShaderText.cpp)
endforeach()
")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${folder} -B ${folder}/build
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the scratch project does not configure:\n${out}")
endif()

function(expect_build_failure target expected)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${folder}/build --target ${target}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(status EQUAL 0)
    message(FATAL_ERROR "${target} built; expected it to fail with '${expected}'")
  endif()
  if(NOT out MATCHES "(^|\n)${expected}")
    message(FATAL_ERROR "${target} failed without a line starting '${expected}':\n${out}")
  endif()
  message(STATUS "${target} refused as expected:\n${out}")
endfunction()
expect_build_failure(check_plasma "effects/plasma.glsl:12: error: ")
expect_build_failure(check_counter
  "effects/counter.glsl:3: error: iTimeDelta, iFrame not available: the plugin feeds no")
