# Builds plugins from broken shaders in a scratch project; each build must
# fail with the message at the shader file's own line: a syntax error in
# mainImage text that says iTime (the define line and the prepared header
# come before it), and uniforms the plugin does not feed.
#   cmake -D SOURCE_DIR=<repository> -D SCRATCH=<folder> -P BrokenShaderBuild.cmake
set(folder ${SCRATCH}/broken-shader)
file(REMOVE_RECURSE ${folder})
file(WRITE ${folder}/effects/plasma.glsl "// A plasma with a mistake on line 5.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
  vec2 uv = fragCoord / iResolution.xy;
  float v = sin(uv.x * 10.0 + iTime);
  fragColor = vec4(v, uv, 1.0) +;
}
")
file(WRITE ${folder}/effects/counter.glsl "void mainImage(out vec4 c, in vec2 p) {
  // iFrame in a comment is no use of it.
  c = vec4(fract(float(iFrame) / 60.0) + iTimeDelta);
}
")
# The plugin machinery's functions do nothing here: only the check runs.
file(WRITE ${folder}/CMakeLists.txt "cmake_minimum_required(VERSION 3.25)
project(Scratch LANGUAGES CXX)
foreach(name helix_link_plugin_machinery helix_warnings helix_plugin_binary_interface)
  cmake_language(EVAL CODE \"function(\${name})\nendfunction()\")
endforeach()
set(PROJECT_SOURCE_DIR ${SOURCE_DIR})
include(${SOURCE_DIR}/cmake/HelixShaderPlugin.cmake)
foreach(plugin plasma counter)
  string(TOUPPER \${plugin} id)
  string(SUBSTRING \${id} 0 4 id)
  helix_add_shader_plugin(\${plugin} SHADER effects/\${plugin}.glsl NAME \${plugin} ID \${id})
  set_target_properties(\${plugin} PROPERTIES EXCLUDE_FROM_ALL ON)
  add_custom_target(check_\${plugin} DEPENDS \${plugin}_shader_plugin/ShaderText.cpp)
endforeach()
")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${folder} -B ${folder}/build
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the scratch project does not configure:\n${out}")
endif()
foreach(case "plasma|effects/plasma.glsl:5: error: '' :  syntax error"
             "counter|effects/counter.glsl:3: error: iTimeDelta, iFrame not available")
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 plugin)
  list(GET case 1 expected)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${folder}/build --target check_${plugin}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(status EQUAL 0 OR NOT out MATCHES "(^|\n)${expected}")
    message(FATAL_ERROR "expected the build of ${plugin} to fail with '${expected}':\n${out}")
  endif()
endforeach()
