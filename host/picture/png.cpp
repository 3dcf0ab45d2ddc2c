// PNG and PDF: the SVG picture drawn again through librsvg and cairo, when the build has them.
//
// The libraries are opened when a picture is drawn, not when the program starts: librsvg brings
// some fifty libraries with it, and loading them at start cost every run of the command line about
// 6 ms, more than reading and saving a drawing of 10,000 entities. The functions are taken from
// the opened library by name, typed by the libraries' own headers.
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/picture/picture.h"
#include "host/picture/svg.h"

#ifdef TRIVANE_HAVE_RSVG
#include <cairo.h>
#include <dlfcn.h>
#include <librsvg/rsvg.h>
#ifdef CAIRO_HAS_PDF_SURFACE
#include <cairo-pdf.h>
#endif
#endif

namespace trivane::host {

#ifdef TRIVANE_HAVE_RSVG

[[maybe_unused]] constexpr double kPointsPerMm = 72.0 / 25.4;

namespace {

// The functions used: librsvg's, and those of what it links (cairo, GObject, GLib), which the
// opened library resolves too.
#define TRIVANE_PNG_FUNCTIONS(X)              \
  X(rsvg_handle_new_from_data)                \
  X(rsvg_handle_get_intrinsic_size_in_pixels) \
  X(rsvg_handle_render_document)              \
  X(g_object_unref)                           \
  X(g_error_free)                             \
  X(cairo_create)                             \
  X(cairo_destroy)                            \
  X(cairo_status)                             \
  X(cairo_status_to_string)                   \
  X(cairo_image_surface_create)               \
  X(cairo_surface_destroy)                    \
  X(cairo_surface_flush)                      \
  X(cairo_surface_finish)                     \
  X(cairo_surface_status)                     \
  X(cairo_surface_write_to_png_stream)
#ifdef CAIRO_HAS_PDF_SURFACE
#define TRIVANE_PDF_FUNCTIONS(X)         \
  X(cairo_pdf_surface_create_for_stream) \
  X(cairo_pdf_surface_set_metadata)
#else
#define TRIVANE_PDF_FUNCTIONS(X)
#endif

// librsvg, opened for one picture. It stays loaded once opened (RTLD_NODELETE): GLib and the
// libraries it brings are not made to be unloaded.
class Rsvg {
 public:
  // The library, or nullopt when it cannot be opened or lacks a function.
  static std::optional<Rsvg> Open() {
    void* library = dlopen("librsvg-2.so.2", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!library)
      return std::nullopt;
    Rsvg r(library);
    bool complete = true;
#define TRIVANE_RESOLVE(name)                                          \
  r.name = reinterpret_cast<decltype(&::name)>(dlsym(library, #name)); \
  complete = complete && r.name != nullptr;
    TRIVANE_PNG_FUNCTIONS(TRIVANE_RESOLVE)
    TRIVANE_PDF_FUNCTIONS(TRIVANE_RESOLVE)
#undef TRIVANE_RESOLVE
    if (!complete)
      return std::nullopt;
    return r;
  }
  Rsvg(Rsvg&& other) noexcept : Rsvg(other) {
    other.library_ = nullptr;
  }
  Rsvg& operator=(Rsvg&&) = delete;
  ~Rsvg() {
    if (library_)
      dlclose(library_);
  }

#define TRIVANE_MEMBER(name) decltype(&::name) name = nullptr;
  TRIVANE_PNG_FUNCTIONS(TRIVANE_MEMBER)
  TRIVANE_PDF_FUNCTIONS(TRIVANE_MEMBER)
#undef TRIVANE_MEMBER

 private:
  explicit Rsvg(void* library) : library_(library) {}
  Rsvg(const Rsvg&) = default;
  void* library_ = nullptr;
};

// The library for a picture to `path`; PictureError when it cannot be had.
Rsvg OpenRsvg(const std::string& path) {
  std::optional<Rsvg> r = Rsvg::Open();
  if (!r)
    throw PictureError("cannot write " + path + ": librsvg (librsvg-2.so.2) cannot be loaded");
  return std::move(*r);
}

}  // namespace

bool PngAvailable() {
  return Rsvg::Open().has_value();
}

namespace {

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

struct HandleRelease {
  const Rsvg* r;
  void operator()(RsvgHandle* h) const { r->g_object_unref(h); }
};
struct SurfaceRelease {
  const Rsvg* r;
  void operator()(cairo_surface_t* s) const { r->cairo_surface_destroy(s); }
};
struct ContextRelease {
  const Rsvg* r;
  void operator()(cairo_t* c) const { r->cairo_destroy(c); }
};

// What went wrong, from a GError (freed here).
std::string TakeMessage(const Rsvg& r, GError* error) {
  const std::string what = error ? error->message : "unknown error";
  if (error)
    r.g_error_free(error);
  return what;
}

}  // namespace

#ifdef CAIRO_HAS_PDF_SURFACE

bool PdfAvailable() {
  return Rsvg::Open().has_value();
}

void WritePdfFile(const Drawing& drawing, const std::string& path, const PrintLayout& layout) {
  const std::string svg = PageSvg(drawing, layout);
  const Rsvg r = OpenRsvg(path);
  GError* error = nullptr;
  const std::unique_ptr<RsvgHandle, HandleRelease> handle(
      r.rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), svg.size(), &error),
      HandleRelease{&r});
  if (!handle)
    throw PictureError("cannot render " + path + ": " + TakeMessage(r, error));
  // The page in points; the picture's millimetres fill it exactly, so its scale is the print's.
  const double width = layout.widthMm * kPointsPerMm;
  const double height = layout.heightMm * kPointsPerMm;
  std::string pdf;
  const std::unique_ptr<cairo_surface_t, SurfaceRelease> surface(
      r.cairo_pdf_surface_create_for_stream(AppendBytes, &pdf, width, height), SurfaceRelease{&r});
  r.cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "Trivane");
  bool rendered = false;
  {
    const std::unique_ptr<cairo_t, ContextRelease> cr(r.cairo_create(surface.get()),
                                                      ContextRelease{&r});
    const RsvgRectangle viewport{0.0, 0.0, width, height};
    rendered = r.rsvg_handle_render_document(handle.get(), cr.get(), &viewport, &error);
    if (rendered && r.cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
      throw PictureError("cannot render " + path + ": " +
                         r.cairo_status_to_string(r.cairo_status(cr.get())));
    }
  }
  if (!rendered)
    throw PictureError("cannot render " + path + ": " + TakeMessage(r, error));
  r.cairo_surface_finish(surface.get());
  const cairo_status_t status = r.cairo_surface_status(surface.get());
  if (status != CAIRO_STATUS_SUCCESS)
    throw PictureError("cannot render " + path + ": " + r.cairo_status_to_string(status));
  WriteAtomically(path, pdf);
}

#else

bool PdfAvailable() {
  return false;
}

void WritePdfFile(const Drawing&, const std::string& path, const PrintLayout&) {
  throw PictureError("cannot write " + path + ": this build's cairo has no PDF surface");
}

#endif

void WritePngFile(const Drawing& drawing, const std::string& path, const PictureOptions& options) {
  std::string svg;
  try {
    svg = DrawingToSvg(drawing, options);
  } catch (const PictureError& e) {
    throw PictureError("cannot draw " + path + ": " + e.what());
  }
  const Rsvg r = OpenRsvg(path);
  GError* error = nullptr;
  const std::unique_ptr<RsvgHandle, HandleRelease> handle(
      r.rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), svg.size(), &error),
      HandleRelease{&r});
  if (!handle)
    throw PictureError("cannot render " + path + ": " + TakeMessage(r, error));
  gdouble width = 0.0, height = 0.0;
  if (!r.rsvg_handle_get_intrinsic_size_in_pixels(handle.get(), &width, &height))
    throw PictureError("cannot render " + path + ": the picture has no size");
  const int w = std::max(1, static_cast<int>(std::ceil(width)));
  const int h = std::max(1, static_cast<int>(std::ceil(height)));
  const std::unique_ptr<cairo_surface_t, SurfaceRelease> surface(
      r.cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h), SurfaceRelease{&r});
  std::string png;
  bool rendered = false;
  cairo_status_t status = CAIRO_STATUS_SUCCESS;
  {
    const std::unique_ptr<cairo_t, ContextRelease> cr(r.cairo_create(surface.get()),
                                                      ContextRelease{&r});
    const RsvgRectangle viewport{0.0, 0.0, static_cast<double>(w), static_cast<double>(h)};
    rendered = r.rsvg_handle_render_document(handle.get(), cr.get(), &viewport, &error);
    status = r.cairo_status(cr.get());
  }
  if (rendered && status == CAIRO_STATUS_SUCCESS) {
    r.cairo_surface_flush(surface.get());
    status = r.cairo_surface_write_to_png_stream(surface.get(), AppendBytes, &png);
  }
  if (!rendered)
    throw PictureError("cannot render " + path + ": " + TakeMessage(r, error));
  if (status != CAIRO_STATUS_SUCCESS)
    throw PictureError("cannot render " + path + ": " + r.cairo_status_to_string(status));
  WriteAtomically(path, png);
}

#else

bool PngAvailable() {
  return false;
}

bool PdfAvailable() {
  return false;
}

void WritePdfFile(const Drawing&, const std::string& path, const PrintLayout&) {
  throw PictureError("cannot write " + path + ": this build has no PDF support (librsvg, cairo)");
}

void WritePngFile(const Drawing&, const std::string& path, const PictureOptions&) {
  throw PictureError("cannot write " + path + ": this build has no PNG support (librsvg, cairo)");
}

#endif

}  // namespace trivane::host
