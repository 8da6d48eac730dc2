// A stand-in OpenGL driver and platform layer for driving the plugin without
// a GL context: every entry point the plugin can call exists and draws
// nothing, while the driver keeps the books on the objects the plugin makes
// (textures, framebuffers, shader and program objects) and on the state a
// frame must leave behind. What the driver offers and how its compiler
// answers is set per run, so a fuzzer can pick the driver as well as the
// host's calls.
//
// It implements: the platform layer (entry-point lookup, counter, local
// time), the OpenGL 1.1 functions the plugin links to, and the 92 looked-up
// entry points. It does not implement drawing, GL errors or contexts.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <string>

namespace stub_driver {

struct Driver {
  // The four groups of the plugin's extension table.
  bool multitexture = true;
  bool shaderObjects = true;
  bool framebufferObjects = true;
  bool swapInterval = true;
  // One looked-up name (0-based, in the table's lookup order) that the
  // driver lacks, making its group incomplete; -1 for none.
  int missingEntry = -1;

  bool compiles = true;
  bool links = true;
  // A program knows a uniform when the bit its name hashes to is set.
  unsigned uniformMask = ~0u;
  // The log length the driver claims after a failed compile; it may exceed
  // what it was allowed to write, as some drivers' do.
  GLsizei claimedLogLength = 12;

  // What glGetFloatv(GL_VIEWPORT) answers.
  GLfloat viewport[4] = {0.0f, 0.0f, 64.0f, 64.0f};
};

// The driver's settings; Reset restores the defaults above.
Driver& Config();

enum class Group { SwapInterval, Multitexture, ShaderObjects, FramebufferObjects };

// Whether a lookup of every entry of the group succeeds with the settings.
bool Offers(Group group);

// Forgets every object and every fault and restores the default settings
// and state (unit 0 active, no program current, framebuffer 0 bound).
void Reset();

// Objects the plugin made and has not deleted.
std::size_t LiveTextures();
std::size_t LiveFramebuffers();
std::size_t LiveShaderObjects();  // programs and shaders together
std::size_t TexturesMade();

// State a host sees after a call.
GLenum ActiveTextureUnit();
GLhandleARB CurrentProgram();

// The first misuse seen (an object deleted twice or never made, a dead
// object used, a negative count), or empty.
const std::string& FirstFault();

// The latest text given to a fragment shader object.
const std::string& LatestFragmentSource();

}  // namespace stub_driver
