// The state a host promises before each frame: its framebuffer bound with a
// viewport over all of it, identity matrices, texture unit 0 active, no
// program, no 2D texture on units 0 and 1.
#pragma once

#include "host/gl/HostFramebuffer.h"
#include "host/gl/HostGL.h"

namespace host {

void PrepareFrameState(const HostGL& gl, const HostFramebuffer& target);

}  // namespace host
