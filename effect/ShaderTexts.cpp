#include "effect/ShaderTexts.h"

namespace shader_texts {

// Passes the vertex through the fixed-function matrices and hands on texture
// coordinate set 0 and the colour.
const char VertexShaderText[] =
    "void main() { gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex; "
    "gl_TexCoord[0] = gl_MultiTexCoord0; gl_FrontColor = gl_Color; }";

// Sine bands bent by "Distort" (mouse.x), blended between two band patterns
// by "Mode" (mouse.y), tinted by a colour swinging from orange to sky blue.
// It begins with "uniform float time;", so it is compiled as it stands.
const char FragmentShaderText[] =
    "uniform float time; uniform vec2 mouse; uniform vec2 resolution; void main(void) { "
    "vec2 p = (gl_FragCoord.xy * 2.0 - resolution.xy) / min(resolution.x, resolution.y); "
    "p.x = sin(p.x*5.0) + cos(p.y*5.0) + mouse.x*max(0.0,pow(sin(time)*3.5, "
    "sin(length(p + sin(time)*p) * 2.0)*2.5)); "
    "p.y = sin(p.y*50.0) + cos(p.x*10.0); "
    "p *= 5.5; "
    "p.y = length(p*0.01)*10.; "
    "float circle = mix(sin(p.x*1.0 + time*50.0), sin(p.y*10.0 + p.x*1.0 + time*50.0), "
    "mouse.y); "
    "vec3 col1 = vec3(1.0, 0.5, 0.0); "
    "vec3 col2 = vec3(0.0, 0.5, 1.0); "
    "vec3 color = mix(col1, col2, sin(time)); "
    "gl_FragColor = vec4(vec3(circle)*color, 1.0); }";

const char UniformHeader[] =
    "uniform vec3 iResolution;\n"
    "uniform float iGlobalTime;\n"
    "uniform vec4 iMouse;\n"
    "uniform vec4 iDate;\n"
    "uniform float iChannelTime[4];\n"
    "uniform vec3 iChannelResolution[4];\n"
    "uniform sampler2D iChannel0;\n"
    "uniform sampler2D iChannel1;\n"
    "uniform sampler2D iChannel2;\n"
    "uniform sampler2D iChannel3;\n";

const char InputColourDeclaration[] = "uniform vec4 inputColour;\n";

const char MainImageWrapper[] =
    "void main(void) {\n"
    "    mainImage(gl_FragColor, gl_FragCoord.xy);\n"
    "}\n";

const char SiteUniformHeader[] =
    "uniform vec3 iResolution;\n"
    "uniform float iGlobalTime;\n"
    "uniform float iTimeDelta;\n"
    "uniform int iFrame;\n"
    "uniform float iFrameRate;\n"
    "uniform vec4 iMouse;\n"
    "uniform vec4 iDate;\n"
    "uniform float iSampleRate;\n"
    "uniform float iChannelTime[4];\n"
    "uniform vec3 iChannelResolution[4];\n"
    "uniform sampler2D iChannel0;\n"
    "uniform sampler2D iChannel1;\n"
    "uniform sampler2D iChannel2;\n"
    "uniform sampler2D iChannel3;\n";

// The surface's corner in xy and its size per pixel in zw.
const char SurfaceDeclaration[] =
    "uniform vec4 helix_surface;\n"
    "#define surfacePosition (helix_surface.xy + gl_FragCoord.xy * helix_surface.zw)\n";

const char OpaqueMainImageWrapper[] =
    "void main(void) {\n"
    "    mainImage(gl_FragColor, gl_FragCoord.xy);\n"
    "    gl_FragColor.a = 1.0;\n"
    "}\n";

const char RenamedMain[] = "#define main helix_main\n";

const char OpaqueMainWrapper[] =
    "#undef main\n"
    "void main(void) {\n"
    "    helix_main();\n"
    "    gl_FragColor.a = 1.0;\n"
    "}\n";

static_assert(sizeof VertexShaderText - 1 == 133, "vertex text length");
static_assert(sizeof FragmentShaderText - 1 == 599, "fragment text length");
static_assert(sizeof UniformHeader - 1 == 277, "uniform header length");
static_assert(sizeof InputColourDeclaration - 1 == 26, "colour declaration length");
static_assert(sizeof MainImageWrapper - 1 == 66, "wrapper length");

}  // namespace shader_texts
