# helix_add_shader_plugin: turns one GLSL fragment-shader file into its own
# FreeFrame GL plugin library, built with the same machinery and the same
# binary interface as HelixmorphicsV1.
#
#   helix_add_shader_plugin(<target> SHADER <file.glsl> NAME <1 to 16 chars>
#     ID <4 chars> [TYPE SOURCE|EFFECT] [DESCRIPTION <text>] [ABOUT <text>]
#     [VERSION <major.minor>] [PARAMETERS <name> <default> ...])
#
# The shader is either complete text declaring "uniform float time;" or text
# defining mainImage (iTime is accepted as iGlobalTime). PARAMETERS renames,
# in order, the three parameters the host sees (speed of the clock, mouse x,
# mouse y; defaults 0.5, clamped into 0..1). An EFFECT needs one input.
# Every build compiles the text the plugin will hand the driver with
# glslangValidator and reports errors at the shader file's own lines.

find_program(HELIX_GLSLANG_VALIDATOR glslangValidator
  DOC "Offline GLSL compiler that checks shader plugins' texts at build time")

set(_helix_shader_plugin_dir ${CMAKE_CURRENT_LIST_DIR})
# The built-in plugin's identifier is taken.
set_property(GLOBAL PROPERTY HELIX_SHADER_PLUGIN_IDS "HLXM=HelixmorphicsV1")

# Stops the configure with one line that names the target and the argument.
macro(_helix_shader_plugin_error target text)
  # The leading blank keeps CMake from wrapping the line.
  message(FATAL_ERROR " helix_add_shader_plugin(${target}): ${text}")
endmacro()

# Sets `out` to `text` as a C++ string literal.
function(_helix_cxx_literal out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  string(REPLACE "\n" "\\n" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

function(helix_add_shader_plugin target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "SHADER;NAME;ID;TYPE;DESCRIPTION;ABOUT;VERSION"
                        "PARAMETERS")
  if(arg_UNPARSED_ARGUMENTS)
    _helix_shader_plugin_error(${target} "unknown argument '${arg_UNPARSED_ARGUMENTS}'")
  endif()

  # SHADER: an existing file, relative to the calling folder.
  if(NOT DEFINED arg_SHADER)
    _helix_shader_plugin_error(${target} "SHADER <file.glsl> is required")
  endif()
  get_filename_component(shader "${arg_SHADER}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  if(NOT EXISTS "${shader}" OR IS_DIRECTORY "${shader}")
    _helix_shader_plugin_error(${target} "SHADER file '${arg_SHADER}' does not exist")
  endif()

  # NAME: 1 to 16 printable characters (the record's fixed 16-byte field).
  if(NOT DEFINED arg_NAME OR arg_NAME STREQUAL "")
    _helix_shader_plugin_error(${target} "NAME <up to 16 characters> is required")
  endif()
  string(LENGTH "${arg_NAME}" length)
  if(length GREATER 16)
    _helix_shader_plugin_error(${target}
      "NAME '${arg_NAME}' has ${length} characters; the plugin name holds at most 16")
  endif()
  if(NOT arg_NAME MATCHES "^[ -~]+$")
    _helix_shader_plugin_error(${target} "NAME '${arg_NAME}' must be printable ASCII characters")
  endif()

  # ID: exactly 4 printable characters, unique in the build.
  if(NOT DEFINED arg_ID)
    _helix_shader_plugin_error(${target} "ID <4 characters> is required")
  endif()
  if(NOT arg_ID MATCHES "^[ -~][ -~][ -~][ -~]$")
    _helix_shader_plugin_error(${target}
      "ID '${arg_ID}' must be exactly 4 printable ASCII characters")
  endif()
  get_property(ids GLOBAL PROPERTY HELIX_SHADER_PLUGIN_IDS)
  foreach(entry IN LISTS ids)
    if(entry MATCHES "^(....)=(.*)$" AND CMAKE_MATCH_1 STREQUAL arg_ID)
      _helix_shader_plugin_error(${target}
        "ID '${arg_ID}' is already the identifier of ${CMAKE_MATCH_2}; plugins in one build need different IDs")
    endif()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY HELIX_SHADER_PLUGIN_IDS "${arg_ID}=${target}")

  # TYPE: a source (default) or an effect on one input.
  if(NOT DEFINED arg_TYPE OR arg_TYPE STREQUAL "SOURCE")
    set(plugin_type FF_SOURCE)
    set(minimum_inputs 0)
  elseif(arg_TYPE STREQUAL "EFFECT")
    set(plugin_type FF_EFFECT)
    set(minimum_inputs 1)
  else()
    _helix_shader_plugin_error(${target} "TYPE '${arg_TYPE}' must be SOURCE or EFFECT")
  endif()

  # VERSION: the plugin's own major.minor version.
  if(NOT DEFINED arg_VERSION)
    set(arg_VERSION 1.0)
  endif()
  if(NOT arg_VERSION MATCHES "^([0-9]|[1-9][0-9]?[0-9]?[0-9]?)\\.([0-9]|[1-9][0-9]?[0-9]?[0-9]?)$")
    _helix_shader_plugin_error(${target}
      "VERSION '${arg_VERSION}' must be <major>.<minor>, each a number from 0 to 9999")
  endif()
  set(version_major ${CMAKE_MATCH_1})
  set(version_minor ${CMAKE_MATCH_2})

  # PARAMETERS: up to three name/default pairs, in the parameters' order.
  get_filename_component(shader_name "${shader}" NAME)
  set(names "Speed" "Mouse X" "Mouse Y")
  set(defaults 0.5 0.5 0.5)
  list(LENGTH arg_PARAMETERS count)
  math(EXPR odd "${count} % 2")
  if(odd OR count GREATER 6)
    _helix_shader_plugin_error(${target}
      "PARAMETERS takes up to three <name> <default> pairs (speed, mouse x, mouse y)")
  endif()
  set(index 0)
  while(index LESS count)
    list(GET arg_PARAMETERS ${index} name)
    math(EXPR next "${index} + 1")
    list(GET arg_PARAMETERS ${next} value)
    string(LENGTH "${name}" length)
    if(length EQUAL 0 OR length GREATER 16 OR NOT name MATCHES "^[ -~]+$")
      _helix_shader_plugin_error(${target}
        "PARAMETERS name '${name}' must be 1 to 16 printable ASCII characters")
    endif()
    if(NOT value MATCHES "^[-+]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][-+]?[0-9]+)?$")
      _helix_shader_plugin_error(${target}
        "PARAMETERS default '${value}' of '${name}' must be a number (it is clamped into 0..1)")
    endif()
    math(EXPR slot "${index} / 2")
    list(REMOVE_AT names ${slot})
    list(INSERT names ${slot} "${name}")
    list(REMOVE_AT defaults ${slot})
    list(INSERT defaults ${slot} "${value}")
    math(EXPR index "${index} + 2")
  endwhile()

  if(NOT DEFINED arg_DESCRIPTION)
    set(arg_DESCRIPTION "${arg_NAME}: the fragment shader ${shader_name}")
  endif()
  if(NOT DEFINED arg_ABOUT)
    set(arg_ABOUT "${arg_NAME} ${arg_VERSION}: a FreeFrame GL plugin made from ${shader_name}")
  endif()

  if(NOT HELIX_GLSLANG_VALIDATOR)
    _helix_shader_plugin_error(${target}
      "glslangValidator was not found (Debian package glslang-tools; scripts/install-deps.sh installs it)")
  endif()

  # The registration record and settings, written now; the program text,
  # written by the build step that checks it.
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/${target}_shader_plugin)
  foreach(field ID NAME DESCRIPTION ABOUT)
    _helix_cxx_literal(literal_${field} "${arg_${field}}")
  endforeach()
  foreach(slot 0 1 2)
    list(GET names ${slot} name)
    _helix_cxx_literal(parameter_name_${slot} "${name}")
    list(GET defaults ${slot} parameter_default_${slot})
  endforeach()
  configure_file(${_helix_shader_plugin_dir}/ShaderPlugin.cpp.in ${generated}/Registration.cpp
                 @ONLY)
  foreach(bits 32 64)
    configure_file(${_helix_shader_plugin_dir}/ShaderPlugin-win${bits}.def.in
                   ${generated}/${target}-win${bits}.def @ONLY)
  endforeach()

  # Error messages name the shader as the project's top folder sees it.
  file(RELATIVE_PATH shown_path ${CMAKE_SOURCE_DIR} ${shader})
  if(shown_path MATCHES "^\\.\\./")
    set(shown_path ${shader})
  endif()
  set(shader_texts ${PROJECT_SOURCE_DIR}/effect/ShaderTexts.cpp)
  add_custom_command(
    OUTPUT ${generated}/ShaderText.cpp
    COMMAND ${CMAKE_COMMAND} -D SHADER=${shader} -D SHOWN_PATH=${shown_path}
            -D SHADER_TEXTS=${shader_texts} -D GLSLANG=${HELIX_GLSLANG_VALIDATOR}
            -D OUTPUT_DIR=${generated}
            -P ${_helix_shader_plugin_dir}/HelixShaderCheck.cmake
    DEPENDS ${shader} ${shader_texts} ${_helix_shader_plugin_dir}/HelixShaderCheck.cmake
    COMMENT "Checking shader ${shown_path}"
    VERBATIM)

  add_library(${target} SHARED ${generated}/Registration.cpp ${generated}/ShaderText.cpp)
  helix_link_plugin_machinery(${target})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  helix_warnings(${target})
  helix_plugin_binary_interface(${target} ${generated}/${target}-win32.def
                                ${generated}/${target}-win64.def)
endfunction()
