// The OpenGL entry points the OpenGL device uses, loaded through SDL from the
// context (3.3 core, or 2.1 where only that exists), and the shader program
// and vertex stream it draws with.
#pragma once

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdint>

#include "platform/render_device.h"

namespace platform {

#define DVX_GL_FUNCTIONS(X)                                                   \
  X(decltype(&::glGenTextures), GenTextures, glGenTextures)                         \
  X(decltype(&::glDeleteTextures), DeleteTextures, glDeleteTextures)                \
  X(decltype(&::glBindTexture), BindTexture, glBindTexture)                         \
  X(decltype(&::glTexParameteri), TexParameteri, glTexParameteri)                   \
  X(decltype(&::glPixelStorei), PixelStorei, glPixelStorei)                         \
  X(decltype(&::glTexImage2D), TexImage2D, glTexImage2D)                            \
  X(decltype(&::glViewport), Viewport, glViewport)                                  \
  X(decltype(&::glScissor), Scissor, glScissor)                                     \
  X(decltype(&::glEnable), Enable, glEnable)                                        \
  X(decltype(&::glDisable), Disable, glDisable)                                     \
  X(decltype(&::glBlendFunc), BlendFunc, glBlendFunc)                               \
  X(decltype(&::glClearColor), ClearColor, glClearColor)                            \
  X(decltype(&::glClear), Clear, glClear)                                           \
  X(decltype(&::glReadPixels), ReadPixels, glReadPixels)                            \
  X(decltype(&::glGetError), GetError, glGetError)                                  \
  X(decltype(&::glGetIntegerv), GetIntegerv, glGetIntegerv)                         \
  X(decltype(&::glDrawArrays), DrawArrays, glDrawArrays)                            \
  X(PFNGLGENFRAMEBUFFERSPROC, GenFramebuffers, glGenFramebuffers)             \
  X(PFNGLDELETEFRAMEBUFFERSPROC, DeleteFramebuffers, glDeleteFramebuffers)    \
  X(PFNGLBINDFRAMEBUFFERPROC, BindFramebuffer, glBindFramebuffer)             \
  X(PFNGLFRAMEBUFFERTEXTURE2DPROC, FramebufferTexture2D, glFramebufferTexture2D) \
  X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, CheckFramebufferStatus, glCheckFramebufferStatus) \
  X(PFNGLCREATESHADERPROC, CreateShader, glCreateShader)                      \
  X(PFNGLSHADERSOURCEPROC, ShaderSource, glShaderSource)                      \
  X(PFNGLCOMPILESHADERPROC, CompileShader, glCompileShader)                   \
  X(PFNGLGETSHADERIVPROC, GetShaderiv, glGetShaderiv)                         \
  X(PFNGLDELETESHADERPROC, DeleteShader, glDeleteShader)                      \
  X(PFNGLCREATEPROGRAMPROC, CreateProgram, glCreateProgram)                   \
  X(PFNGLATTACHSHADERPROC, AttachShader, glAttachShader)                      \
  X(PFNGLBINDATTRIBLOCATIONPROC, BindAttribLocation, glBindAttribLocation)    \
  X(PFNGLLINKPROGRAMPROC, LinkProgram, glLinkProgram)                         \
  X(PFNGLGETPROGRAMIVPROC, GetProgramiv, glGetProgramiv)                      \
  X(PFNGLDELETEPROGRAMPROC, DeleteProgram, glDeleteProgram)                   \
  X(PFNGLUSEPROGRAMPROC, UseProgram, glUseProgram)                            \
  X(PFNGLGETUNIFORMLOCATIONPROC, GetUniformLocation, glGetUniformLocation)    \
  X(PFNGLUNIFORM1IPROC, Uniform1i, glUniform1i)                               \
  X(PFNGLUNIFORM1FPROC, Uniform1f, glUniform1f)                               \
  X(PFNGLUNIFORM2FPROC, Uniform2f, glUniform2f)                               \
  X(PFNGLGENBUFFERSPROC, GenBuffers, glGenBuffers)                            \
  X(PFNGLDELETEBUFFERSPROC, DeleteBuffers, glDeleteBuffers)                   \
  X(PFNGLBINDBUFFERPROC, BindBuffer, glBindBuffer)                            \
  X(PFNGLBUFFERDATAPROC, BufferData, glBufferData)                            \
  X(PFNGLVERTEXATTRIBPOINTERPROC, VertexAttribPointer, glVertexAttribPointer) \
  X(PFNGLENABLEVERTEXATTRIBARRAYPROC, EnableVertexAttribArray, glEnableVertexAttribArray)

// Only a 3.3 core context needs these.
#define DVX_GL_CORE_FUNCTIONS(X)                                          \
  X(PFNGLGENVERTEXARRAYSPROC, GenVertexArrays, glGenVertexArrays)         \
  X(PFNGLBINDVERTEXARRAYPROC, BindVertexArray, glBindVertexArray)         \
  X(PFNGLDELETEVERTEXARRAYSPROC, DeleteVertexArrays, glDeleteVertexArrays)

struct GlApi {
#define DVX_GL_MEMBER(type, member, name) type member = nullptr;
  DVX_GL_FUNCTIONS(DVX_GL_MEMBER)
  DVX_GL_CORE_FUNCTIONS(DVX_GL_MEMBER)
#undef DVX_GL_MEMBER
  // False when an entry point the context must have is missing.
  bool Load(bool core);
};

// What outlives the device on the texture side: the entry points and whether
// the context still exists (textures freed after it are freed with it).
struct GlContextLink {
  explicit GlContextLink(const GlApi& api) : api(api) {}
  GlApi api;
  bool alive = true;
};

// Makes a 3.3 core context, or a 2.1 one when that fails (core tells which).
SDL_GLContext CreateContext(SDL_Window* window, bool& core);

// The one program: the half-pixel projection, stage-0 operations and the
// alpha test.
class GlProgram {
 public:
  GlProgram(const GlApi& gl, bool core);
  ~GlProgram();
  GlProgram(const GlProgram&) = delete;
  GlProgram& operator=(const GlProgram&) = delete;
  bool Ok() const { return program_ != 0; }
  void Use(const RenderStates& states, float width, float height);

 private:
  const GlApi& gl_;
  GLuint program_ = 0;
  GLint size_ = -1;
  GLint texture_ = -1;
  GLint colourOp_ = -1;
  GLint alphaOp_ = -1;
  GLint alphaTest_ = -1;
  GLint alphaFunc_ = -1;
  GLint alphaRef_ = -1;
};

// Streams caller vertex arrays (any stride) into one buffer and draws them.
class GlVertexStream {
 public:
  GlVertexStream(const GlApi& gl, bool core);
  ~GlVertexStream();
  GlVertexStream(const GlVertexStream&) = delete;
  GlVertexStream& operator=(const GlVertexStream&) = delete;
  void Draw(GLenum mode, const void* vertices, uint32_t stride, uint64_t count);

 private:
  const GlApi& gl_;
  bool core_;
  GLuint buffer_ = 0;
  GLuint array_ = 0;
};

}  // namespace platform
