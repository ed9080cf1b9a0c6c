#include "platform/render_device_gl_api.h"

#include <string>

namespace platform {

namespace {

enum Attribute : GLuint { kPosition = 0, kColour = 1, kUv = 2 };

// Written once for both shading-language versions; the prologue supplies the
// words that differ.
const char* const kVertexBody = R"(
IN vec4 aPosition;
IN vec4 aColour;
IN vec2 aUv;
OUT vec4 vColour;
OUT vec2 vUv;
uniform vec2 uSize;
void main() {
  // Pixel centres sit at integer positions: shift by half a pixel.
  vec2 p = (aPosition.xy + 0.5) / uSize;
  gl_Position = vec4(p.x * 2.0 - 1.0, 1.0 - p.y * 2.0, 0.0, 1.0);
  vColour = aColour.bgra;  // the bytes of 0xAARRGGBB in memory are B, G, R, A
  vUv = aUv;
}
)";

const char* const kFragmentBody = R"(
IN vec4 vColour;
IN vec2 vUv;
uniform sampler2D uTexture;
uniform int uColourOp;
uniform int uAlphaOp;
uniform int uAlphaTest;
uniform int uAlphaFunc;
uniform float uAlphaRef;
void main() {
  vec4 t = TEXTURE(uTexture, vUv);
  vec4 d = vColour;
  vec3 c = uColourOp == 4 ? t.rgb * d.rgb : (uColourOp == 2 ? t.rgb : d.rgb);
  float a = uAlphaOp == 4 ? t.a * d.a : (uAlphaOp == 2 ? t.a : d.a);
  if (uAlphaTest != 0) {
    // Compared as the byte the software device compares.
    float a8 = floor(a * 255.0 + 0.5);
    bool pass = true;
    if (uAlphaFunc == 1) pass = false;
    else if (uAlphaFunc == 2) pass = a8 < uAlphaRef;
    else if (uAlphaFunc == 3) pass = a8 == uAlphaRef;
    else if (uAlphaFunc == 4) pass = a8 <= uAlphaRef;
    else if (uAlphaFunc == 5) pass = a8 > uAlphaRef;
    else if (uAlphaFunc == 6) pass = a8 != uAlphaRef;
    else if (uAlphaFunc == 7) pass = a8 >= uAlphaRef;
    if (!pass) discard;
  }
  FRAGMENT = vec4(c, a);
}
)";

const char* const kCoreVertexPrologue = "#version 330 core\n#define IN in\n#define OUT out\n";
const char* const kLegacyVertexPrologue = "#version 120\n#define IN attribute\n#define OUT varying\n";
const char* const kCoreFragmentPrologue =
    "#version 330 core\n#define IN in\n#define TEXTURE texture\n#define FRAGMENT fragColour\n"
    "out vec4 fragColour;\n";
const char* const kLegacyFragmentPrologue =
    "#version 120\n#define IN varying\n#define TEXTURE texture2D\n#define FRAGMENT gl_FragColor\n";

GLuint Compile(const GlApi& gl, GLenum kind, const char* prologue, const char* body) {
  const GLuint shader = gl.CreateShader(kind);
  const char* parts[2] = {prologue, body};
  gl.ShaderSource(shader, 2, parts, nullptr);
  gl.CompileShader(shader);
  GLint ok = GL_FALSE;
  gl.GetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    gl.DeleteShader(shader);
    return 0;
  }
  return shader;
}

}  // namespace

bool GlApi::Load(bool core) {
  bool complete = true;
#define DVX_GL_LOAD(type, member, name)                                    \
  member = reinterpret_cast<type>(SDL_GL_GetProcAddress(#name));           \
  complete = complete && member != nullptr;
  DVX_GL_FUNCTIONS(DVX_GL_LOAD)
  if (core) {
    DVX_GL_CORE_FUNCTIONS(DVX_GL_LOAD)
  }
#undef DVX_GL_LOAD
  return complete;
}

SDL_GLContext CreateContext(SDL_Window* window, bool& core) {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GLContext context = SDL_GL_CreateContext(window);
  core = context != nullptr;
  if (context == nullptr) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
    context = SDL_GL_CreateContext(window);
  }
  if (context != nullptr) SDL_GL_MakeCurrent(window, context);
  return context;
}

GlProgram::GlProgram(const GlApi& gl, bool core) : gl_(gl) {
  const GLuint vertex = Compile(gl, GL_VERTEX_SHADER, core ? kCoreVertexPrologue : kLegacyVertexPrologue,
                                kVertexBody);
  const GLuint fragment = Compile(
      gl, GL_FRAGMENT_SHADER, core ? kCoreFragmentPrologue : kLegacyFragmentPrologue, kFragmentBody);
  if (vertex != 0 && fragment != 0) {
    const GLuint program = gl.CreateProgram();
    gl.AttachShader(program, vertex);
    gl.AttachShader(program, fragment);
    gl.BindAttribLocation(program, kPosition, "aPosition");
    gl.BindAttribLocation(program, kColour, "aColour");
    gl.BindAttribLocation(program, kUv, "aUv");
    gl.LinkProgram(program);
    GLint ok = GL_FALSE;
    gl.GetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok == GL_TRUE) {
      program_ = program;
    } else {
      gl.DeleteProgram(program);
    }
  }
  if (vertex != 0) gl.DeleteShader(vertex);
  if (fragment != 0) gl.DeleteShader(fragment);
  if (program_ == 0) return;
  size_ = gl.GetUniformLocation(program_, "uSize");
  texture_ = gl.GetUniformLocation(program_, "uTexture");
  colourOp_ = gl.GetUniformLocation(program_, "uColourOp");
  alphaOp_ = gl.GetUniformLocation(program_, "uAlphaOp");
  alphaTest_ = gl.GetUniformLocation(program_, "uAlphaTest");
  alphaFunc_ = gl.GetUniformLocation(program_, "uAlphaFunc");
  alphaRef_ = gl.GetUniformLocation(program_, "uAlphaRef");
}

GlProgram::~GlProgram() {
  if (program_ != 0) gl_.DeleteProgram(program_);
}

void GlProgram::Use(const RenderStates& states, float width, float height) {
  gl_.UseProgram(program_);
  gl_.Uniform2f(size_, width, height);
  gl_.Uniform1i(texture_, 0);
  gl_.Uniform1i(colourOp_, static_cast<GLint>(states.colourOp));
  gl_.Uniform1i(alphaOp_, static_cast<GLint>(states.alphaOp));
  gl_.Uniform1i(alphaTest_, states.alphaTest ? 1 : 0);
  gl_.Uniform1i(alphaFunc_, static_cast<GLint>(states.alphaFunc));
  gl_.Uniform1f(alphaRef_, static_cast<float>(states.alphaRef));
}

GlVertexStream::GlVertexStream(const GlApi& gl, bool core) : gl_(gl), core_(core) {
  if (core_) {
    gl_.GenVertexArrays(1, &array_);
    gl_.BindVertexArray(array_);
  }
  gl_.GenBuffers(1, &buffer_);
}

GlVertexStream::~GlVertexStream() {
  gl_.DeleteBuffers(1, &buffer_);
  if (core_) gl_.DeleteVertexArrays(1, &array_);
}

void GlVertexStream::Draw(GLenum mode, const void* vertices, uint32_t stride, uint64_t count) {
  // More vertices than this is no drawing the game does; it would be a
  // runaway count.
  constexpr uint64_t kMostVertices = uint64_t{1} << 22;
  if (count == 0 || count > kMostVertices) return;
  if (core_) gl_.BindVertexArray(array_);
  gl_.BindBuffer(GL_ARRAY_BUFFER, buffer_);
  const uint64_t bytes = (count - 1) * stride + sizeof(RenderVertex);
  gl_.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), vertices, GL_STREAM_DRAW);
  const GLsizei step = static_cast<GLsizei>(stride);
  gl_.VertexAttribPointer(kPosition, 4, GL_FLOAT, GL_FALSE, step, reinterpret_cast<const void*>(0));
  gl_.VertexAttribPointer(kColour, 4, GL_UNSIGNED_BYTE, GL_TRUE, step,
                          reinterpret_cast<const void*>(16));
  gl_.VertexAttribPointer(kUv, 2, GL_FLOAT, GL_FALSE, step, reinterpret_cast<const void*>(20));
  gl_.EnableVertexAttribArray(kPosition);
  gl_.EnableVertexAttribArray(kColour);
  gl_.EnableVertexAttribArray(kUv);
  gl_.DrawArrays(mode, 0, static_cast<GLsizei>(count));
}

}  // namespace platform
