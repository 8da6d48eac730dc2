// The effect's constant shader texts: the vertex program, the built-in
// fragment program (the picture the plugin draws) and the three pieces that
// complete a fragment text written in the mainImage convention.
#pragma once

namespace shader_texts {

extern const char VertexShaderText[];        // 133 characters
extern const char FragmentShaderText[];      // 599 characters, one line
extern const char UniformHeader[];           // 277 characters
extern const char InputColourDeclaration[];  // 26 characters
extern const char MainImageWrapper[];        // 66 characters

// For plugins made from someone's shader: every uniform of the mainImage
// convention, the surface of the Sandbox convention, and the ends that
// replace the program's alpha by 1.
extern const char SiteUniformHeader[];
extern const char SurfaceDeclaration[];
extern const char OpaqueMainImageWrapper[];
extern const char RenamedMain[];
extern const char OpaqueMainWrapper[];

}  // namespace shader_texts
