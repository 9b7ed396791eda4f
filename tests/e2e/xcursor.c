/* Prints whether the X pointer shows anything: a program that hid its cursor leaves an image
 * whose every pixel is transparent. Built by the end-to-end runner with the native compiler.
 *   xcursor            prints cursor_visible=0 or 1 */
#include <stdio.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

int main(void) {
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) return 2;
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (image == NULL) return 2;
    int visible = 0;
    for (long i = 0; i < (long)image->width * image->height; ++i)
        if ((image->pixels[i] >> 24) & 0xFF) {
            visible = 1;
            break;
        }
    printf("cursor_visible=%d\n", visible);
    XFree(image);
    XCloseDisplay(display);
    return 0;
}
