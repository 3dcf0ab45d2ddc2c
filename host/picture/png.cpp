// PNG and PDF: the SVG picture drawn again through librsvg and cairo, when the build has them.
#include <cmath>
#include <memory>
#include <string>
#include <string_view>

#include "host/picture/picture.h"
#include "host/picture/svg.h"

#ifdef TRIVANE_HAVE_RSVG
#include <cairo.h>
#include <librsvg/rsvg.h>
#ifdef CAIRO_HAS_PDF_SURFACE
#include <cairo-pdf.h>
#endif
#endif

namespace trivane::host {

#ifdef TRIVANE_HAVE_RSVG

[[maybe_unused]] constexpr double kPointsPerMm = 72.0 / 25.4;

bool PngAvailable() {
  return true;
}

namespace {

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

#ifdef CAIRO_HAS_PDF_SURFACE

struct HandleRelease {
  void operator()(RsvgHandle* h) const { g_object_unref(h); }
};
struct SurfaceRelease {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextRelease {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};

// What went wrong, from a GError (freed here).
std::string TakeMessage(GError* error) {
  const std::string what = error ? error->message : "unknown error";
  if (error)
    g_error_free(error);
  return what;
}

#endif

}  // namespace

#ifdef CAIRO_HAS_PDF_SURFACE

bool PdfAvailable() {
  return true;
}

void WritePdfFile(const Drawing& drawing, const std::string& path, const PrintLayout& layout) {
  const std::string svg = PageSvg(drawing, layout);
  GError* error = nullptr;
  const std::unique_ptr<RsvgHandle, HandleRelease> handle(
      rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), svg.size(), &error));
  if (!handle)
    throw PictureError("cannot render " + path + ": " + TakeMessage(error));
  // The page in points; the picture's millimetres fill it exactly, so its scale is the print's.
  const double width = layout.widthMm * kPointsPerMm;
  const double height = layout.heightMm * kPointsPerMm;
  std::string pdf;
  const std::unique_ptr<cairo_surface_t, SurfaceRelease> surface(
      cairo_pdf_surface_create_for_stream(AppendBytes, &pdf, width, height));
  cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "Trivane");
  bool rendered = false;
  {
    const std::unique_ptr<cairo_t, ContextRelease> cr(cairo_create(surface.get()));
    const RsvgRectangle viewport{0.0, 0.0, width, height};
    rendered = rsvg_handle_render_document(handle.get(), cr.get(), &viewport, &error);
    if (rendered && cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
      throw PictureError("cannot render " + path + ": " +
                         cairo_status_to_string(cairo_status(cr.get())));
    }
  }
  if (!rendered)
    throw PictureError("cannot render " + path + ": " + TakeMessage(error));
  cairo_surface_finish(surface.get());
  const cairo_status_t status = cairo_surface_status(surface.get());
  if (status != CAIRO_STATUS_SUCCESS)
    throw PictureError("cannot render " + path + ": " + cairo_status_to_string(status));
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
  GError* error = nullptr;
  RsvgHandle* handle =
      rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.data()), svg.size(), &error);
  if (!handle) {
    const std::string what = error ? error->message : "unknown error";
    if (error)
      g_error_free(error);
    throw PictureError("cannot render " + path + ": " + what);
  }
  gdouble width = 0.0, height = 0.0;
  if (!rsvg_handle_get_intrinsic_size_in_pixels(handle, &width, &height)) {
    g_object_unref(handle);
    throw PictureError("cannot render " + path + ": the picture has no size");
  }
  const int w = std::max(1, static_cast<int>(std::ceil(width)));
  const int h = std::max(1, static_cast<int>(std::ceil(height)));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(surface);
  const RsvgRectangle viewport{0.0, 0.0, static_cast<double>(w), static_cast<double>(h)};
  const bool rendered = rsvg_handle_render_document(handle, cr, &viewport, &error);
  std::string png;
  cairo_status_t status = cairo_status(cr);
  if (rendered && status == CAIRO_STATUS_SUCCESS) {
    cairo_surface_flush(surface);
    status = cairo_surface_write_to_png_stream(surface, AppendBytes, &png);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  g_object_unref(handle);
  if (!rendered) {
    const std::string what = error ? error->message : "unknown error";
    if (error)
      g_error_free(error);
    throw PictureError("cannot render " + path + ": " + what);
  }
  if (status != CAIRO_STATUS_SUCCESS)
    throw PictureError("cannot render " + path + ": " + cairo_status_to_string(status));
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
