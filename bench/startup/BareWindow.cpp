// The floor of the game's start-up: a bare SDL2 window with an OpenGL
// context of the kind the game asks for (compatibility 2.1, double
// buffered, RGBA 8, depth 24, stencil 8), cleared once, the frame finished
// and shown. Started in a fresh process by the start-up benchmark, it writes
// the monotonic time at which its first frame was shown, in nanoseconds, to
// the descriptor named by KY_STARTUP_REPORT_FD and ends at once.
//
// With "--picture" the first frame also shows one picture over the whole
// window, as any 2D game's first frame does: a 1024 x 1024 RGB texture (its
// pixels zero, so that making them costs nothing), drawn as one quad,
// modulated and blended. It measures what the driver itself takes for a
// first textured draw (in a software driver, compiling the shaders of that
// state) beside the bare window's clear.

#include "bench/startup/StartupReport.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdlib>
#include <cstring>

namespace {

void drawPicture()
{
    const int side = 1024;
    void* pixels = std::calloc(size_t(side) * side, 3);
    if (!pixels)
        std::exit(1);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, side, side, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    std::free(pixels);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 1280.0, 0.0, 720.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(0.9375f, 0.0f);
    glVertex2f(1280.0f, 0.0f);
    glTexCoord2f(0.9375f, 0.625f);
    glVertex2f(1280.0f, 720.0f);
    glTexCoord2f(0.0f, 0.625f);
    glVertex2f(0.0f, 720.0f);
    glEnd();
}

} // namespace

int main(int argc, char** argv)
{
    const bool picture = argc > 1 && std::strcmp(argv[1], "--picture") == 0;
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return 1;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_Window* window = SDL_CreateWindow("bare", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 1280, 720,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    if (!window)
        return 1;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context)
        return 1;
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (picture)
        drawPicture();
    glFinish();
    SDL_GL_SwapWindow(window);
    startupreport::shown();
}
