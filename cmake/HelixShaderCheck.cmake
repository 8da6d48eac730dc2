# Build step of helix_add_shader_plugin, run as a script:
#   cmake -D SHADER=<file> -D SHOWN_PATH=<path in messages>
#         -D SHADER_TEXTS=<effect/ShaderTexts.cpp> -D GLSLANG=<glslangValidator>
#         -D OUTPUT_DIR=<folder> -P HelixShaderCheck.cmake
# Puts "#define iTime iGlobalTime" in front of mainImage-style text that says
# iTime, refuses uniforms the plugin does not feed, prepares the text as the
# plugin does (header and mainImage wrapper from the effect's own texts),
# compiles it with glslangValidator as GLSL 1.10 (what the built-in texts,
# which declare no version, are written in), reports errors at the shader
# file's lines, and writes ShaderText.cpp with the text the plugin carries.
cmake_minimum_required(VERSION 3.25)

# Stops the build after printing `lines`, which are the report.
function(fail lines)
  message(NOTICE "${lines}")
  message(FATAL_ERROR "The shader ${SHOWN_PATH} does not build into a plugin.")
endfunction()

# Sets `out` to the number of line breaks in `text`.
function(count_lines out text)
  string(REGEX MATCHALL "\n" breaks "${text}")
  list(LENGTH breaks count)
  set(${out} ${count} PARENT_SCOPE)
endfunction()

# Sets `out` to the C string constant `name` of the effect's shader texts.
function(effect_text out name)
  string(FIND "${sources}" "const char ${name}[] =" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${SHADER_TEXTS} has no text ${name}")
  endif()
  string(SUBSTRING "${sources}" ${at} -1 definition)
  # The adjacent string literals up to the definition's semicolon.
  string(REGEX MATCH "^[^\"]*((\"([^\"\\\\]|\\\\.)*\"[ \t\r\n]*)+);" definition
         "${definition}")
  # Joined: each closing quote, the blanks after it and the next opening
  # quote go (the texts hold no escaped quotes), then the outer two.
  string(REGEX REPLACE "\"[ \t\r\n]*\"" "" text "${CMAKE_MATCH_1}")
  string(REGEX REPLACE "^\"(.*)\"[ \t\r\n]*$" "\\1" text "${text}")
  string(REPLACE "\\n" "\n" text "${text}")
  string(REPLACE "\\\"" "\"" text "${text}")
  string(REPLACE "\\\\" "\\" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

file(READ "${SHADER}" text)
file(READ "${SHADER_TEXTS}" sources)

# The text without comments, line breaks kept, for the searches below.
set(code "${text}")
while(TRUE)
  string(FIND "${code}" "/*" open)
  if(open EQUAL -1)
    break()
  endif()
  string(SUBSTRING "${code}" ${open} -1 rest)
  string(FIND "${rest}" "*/" close)
  if(close EQUAL -1)
    set(comment "${rest}")
  else()
    math(EXPR close "${close} + 2")
    string(SUBSTRING "${rest}" 0 ${close} comment)
  endif()
  string(REGEX REPLACE "[^\n]" "" kept "${comment}")
  string(REPLACE "${comment}" "${kept}" code "${code}")
endwhile()
string(REGEX REPLACE "//[^\n]*" "" code "${code}")

# Uniforms of the mainImage convention that the plugin does not feed.
set(word_start "(^|[^A-Za-z0-9_])")
set(word_end "([^A-Za-z0-9_]|$)")
set(unfed "")
set(first_unfed_line "")
foreach(name iTimeDelta iFrame iFrameRate iSampleRate)
  if(code MATCHES "${word_start}${name}${word_end}")
    list(APPEND unfed ${name})
    string(FIND "${code}" "${CMAKE_MATCH_0}" at)
    string(SUBSTRING "${code}" 0 ${at} before)
    count_lines(line "${before}${CMAKE_MATCH_1}")
    math(EXPR line "${line} + 1")
    if(first_unfed_line STREQUAL "" OR line LESS first_unfed_line)
      set(first_unfed_line ${line})
    endif()
  endif()
endforeach()
if(unfed)
  list(JOIN unfed ", " unfed)
  string(CONCAT report "${SHOWN_PATH}:${first_unfed_line}: error: ${unfed} not available: "
         "the plugin feeds no iTimeDelta, iFrame, iFrameRate or iSampleRate (it feeds "
         "iTime/iGlobalTime, iResolution, iMouse, iDate, iChannel0..3, iChannelTime, "
         "iChannelResolution)")
  fail("${report}")
endif()

# The text the plugin carries, and the text it compiles after preparation.
set(carried "${text}")
set(prefix "")
if(NOT text MATCHES "uniform float time;")
  if(code MATCHES "${word_start}iTime${word_end}")
    set(carried "#define iTime iGlobalTime\n${text}")
  endif()
  effect_text(header UniformHeader)
  effect_text(colour InputColourDeclaration)
  set(prepared "${header}${colour}${carried}")
  string(FIND "${carried}" "${text}" user_start)
  string(SUBSTRING "${carried}" 0 ${user_start} added)
  set(prefix "${header}${colour}${added}")
  if(text MATCHES "void mainImage")
    effect_text(wrapper MainImageWrapper)
    string(APPEND prepared "${wrapper}")
  endif()
else()
  set(prepared "${carried}")
endif()
count_lines(prefix_lines "${prefix}")
count_lines(user_lines "${text}")
if(NOT text MATCHES "\n$")
  math(EXPR user_lines "${user_lines} + 1")
endif()

file(MAKE_DIRECTORY "${OUTPUT_DIR}")
file(WRITE "${OUTPUT_DIR}/carried.glsl" "${carried}")
file(WRITE "${OUTPUT_DIR}/prepared.frag" "${prepared}")
execute_process(COMMAND "${GLSLANG}" -d "${OUTPUT_DIR}/prepared.frag"
                RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT status EQUAL 0)
  # "ERROR: 0:<line>: <message>" at the prepared text's lines, mapped back.
  set(mainimage_line 1)
  if(code MATCHES "^(.*)void[ \t\r\n]+mainImage")
    count_lines(mainimage_line "${CMAKE_MATCH_1}")
    math(EXPR mainimage_line "${mainimage_line} + 1")
  endif()
  set(report "")
  string(REGEX MATCHALL "(ERROR|WARNING): [0-9]+:[0-9]+:[^\n]*" entries "${log}")
  foreach(entry IN LISTS entries)
    if(NOT entry MATCHES "^(ERROR|WARNING): [0-9]+:([0-9]+): (.*[^ ]) *$")
      continue()
    endif()
    set(kind ${CMAKE_MATCH_1})
    math(EXPR line "${CMAKE_MATCH_2} - ${prefix_lines}")
    set(message_text "${CMAKE_MATCH_3}")
    if(message_text MATCHES "compilation terminated")
      continue()
    endif()
    if(line GREATER user_lines)
      set(line ${mainimage_line})
      string(APPEND message_text " (in the main() that calls mainImage)")
    elseif(line LESS 1)
      set(line 1)
    endif()
    string(TOLOWER ${kind} kind)
    string(APPEND report "${SHOWN_PATH}:${line}: ${kind}: ${message_text}\n")
  endforeach()
  if(report STREQUAL "")
    set(report "${SHOWN_PATH}: error: glslangValidator refused the shader:\n${log}")
  endif()
  fail("${report}")
endif()

# The carried text as a C++ string literal, one source line per line.
string(REPLACE "\\" "\\\\" literal "${carried}")
string(REPLACE "\"" "\\\"" literal "${literal}")
string(REPLACE "\r" "\\r" literal "${literal}")
string(REPLACE "\n" "\\n\"\n    \"" literal "${literal}")
file(WRITE "${OUTPUT_DIR}/ShaderText.cpp.new"
  "// Generated from ${SHOWN_PATH} by helix_add_shader_plugin: the fragment\n"
  "// text the plugin prepares and compiles.\n"
  "extern const char kShaderPluginText[];\n"
  "const char kShaderPluginText[] =\n"
  "    \"${literal}\";\n")
file(RENAME "${OUTPUT_DIR}/ShaderText.cpp.new" "${OUTPUT_DIR}/ShaderText.cpp")
