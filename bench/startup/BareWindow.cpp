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
//
// With "--menu FILE" the first frame shows the pictures the game's first
// main-menu frame shows, listed in FILE by ky_first_menu_frame --list: each
// read from its file, decoded with libpng or libjpeg, made a texture of its
// own size and drawn as a blended quad where the game draws it, all on the
// one thread - what a plain program does to show that menu.

#include "bench/startup/StartupReport.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <png.h>
#include <string>
#include <vector>

namespace {

// An orthographic view of the window and the state a 2D game draws its
// pictures in: textured, modulated, blended, no depth test.
void pictureState(double left, double right, double bottom, double top)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(left, right, bottom, top, -2048.0, 2048.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

// A texture of the picture's size, filtered linearly, bound.
void makeTexture(GLenum format, int width, int height, const void* pixels)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
}

struct Picture {
    int width = 0;
    int height = 0;
    GLenum format = GL_RGBA;
    std::vector<unsigned char> pixels;
};

bool readFile(const char* path, std::vector<unsigned char>& bytes)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    unsigned char block[65536];
    size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0)
        bytes.insert(bytes.end(), block, block + n);
    std::fclose(file);
    return true;
}

bool decodePng(const std::vector<unsigned char>& bytes, Picture& picture)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return false;
    image.format = PNG_FORMAT_RGBA;
    picture.width = int(image.width);
    picture.height = int(image.height);
    picture.format = GL_RGBA;
    picture.pixels.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr) != 0;
}

bool decodeJpeg(std::vector<unsigned char>& bytes, Picture& picture)
{
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    picture.width = int(info.output_width);
    picture.height = int(info.output_height);
    picture.format = GL_RGB;
    const size_t stride = size_t(picture.width) * 3;
    picture.pixels.resize(stride * size_t(picture.height));
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = picture.pixels.data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

// A picture's quad: its top row at the top (y grows downwards).
void drawQuad(float cx, float cy, float w, float h)
{
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(cx - w / 2, cy - h / 2);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(cx + w / 2, cy - h / 2);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(cx + w / 2, cy + h / 2);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(cx - w / 2, cy + h / 2);
    glEnd();
}

void drawMenu(const char* listPath)
{
    std::FILE* list = std::fopen(listPath, "r");
    if (!list)
        std::exit(1);
    // Window pixels from its centre, y downwards, as the list gives them.
    pictureState(-640.0, 640.0, 360.0, -360.0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    char path[4096];
    float cx = 0, cy = 0, w = 0, h = 0;
    while (std::fscanf(list, "%4095s %f %f %f %f", path, &cx, &cy, &w, &h) == 5) {
        std::vector<unsigned char> bytes;
        Picture picture;
        const std::string name = path;
        const bool png = name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0;
        if (!readFile(path, bytes) || !(png ? decodePng(bytes, picture) : decodeJpeg(bytes, picture))) {
            std::fprintf(stderr, "%s: not read\n", path);
            std::exit(1);
        }
        makeTexture(picture.format, picture.width, picture.height, picture.pixels.data());
        drawQuad(cx, cy, w, h);
    }
    std::fclose(list);
}

void drawPicture()
{
    const int side = 1024;
    void* pixels = std::calloc(size_t(side) * side, 3);
    if (!pixels)
        std::exit(1);
    makeTexture(GL_RGB, side, side, pixels);
    std::free(pixels);
    pictureState(0.0, 1280.0, 0.0, 720.0);
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
    const char* menu = argc > 2 && std::strcmp(argv[1], "--menu") == 0 ? argv[2] : nullptr;
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
    if (menu)
        drawMenu(menu);
    glFinish();
    SDL_GL_SwapWindow(window);
    startupreport::shown();
}
