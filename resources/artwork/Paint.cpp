#include "Paint.h"

#include <cairo-ft.h>

#include <cmath>
#include <stdexcept>

namespace artwork {

void setColour(cairo_t* cr, Colour c, double alpha) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

Colour mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour scale(Colour c, double f) {
    auto clip = [](double v) { return v < 0 ? 0.0 : (v > 1 ? 1.0 : v); };
    return {clip(c.r * f), clip(c.g * f), clip(c.b * f)};
}

void fillRect(cairo_t* cr, double x, double y, double w, double h, Colour c, double alpha) {
    double sx = 1, sy = 1;
    cairo_surface_get_device_scale(cairo_get_target(cr), &sx, &sy);
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    if (sx != 1.0 && w > 0 && h > 0 && m.xy == 0 && m.yx == 0) {
        // Edges on whole device pixels, so a one-pixel rule at 1.5 is one sharp line of
        // one or two pixels, not three pale ones.
        // The drawing's own matrix (translations of frames and pages), then the scale.
        double x0 = x, y0 = y, x1 = x + w, y1 = y + h;
        cairo_matrix_transform_point(&m, &x0, &y0);
        cairo_matrix_transform_point(&m, &x1, &y1);
        const auto snap = [sx](double v) { return std::round(v * sx) / sx; };
        x0 = snap(x0), y0 = snap(y0), x1 = snap(x1), y1 = snap(y1);
        if (x1 <= x0) x1 = x0 + 1 / sx;
        if (y1 <= y0) y1 = y0 + 1 / sx;
        if (cairo_matrix_invert(&m) == CAIRO_STATUS_SUCCESS) {
            cairo_matrix_transform_point(&m, &x0, &y0);
            cairo_matrix_transform_point(&m, &x1, &y1);
            x = x0, y = y0, w = x1 - x0, h = y1 - y0;
        }
    }
    cairo_rectangle(cr, x, y, w, h);
    setColour(cr, c, alpha);
    cairo_fill(cr);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    const double pi = M_PI;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -pi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, pi / 2);
    cairo_arc(cr, x + r, y + h - r, r, pi / 2, pi);
    cairo_arc(cr, x + r, y + r, r, pi, 3 * pi / 2);
    cairo_close_path(cr);
}

void useFont(cairo_t* cr, double size, bool bold) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_subpixel_order(options, CAIRO_SUBPIXEL_ORDER_RGB);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

double textWidth(cairo_t* cr, const std::string& s) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    return e.x_advance;
}

void text(cairo_t* cr, const std::string& s, double x, double y, double size, bool bold, Colour c,
          Align align, double alpha) {
    useFont(cr, size, bold);
    const double w = textWidth(cr, s);
    double left = x;
    if (align == Align::centre) left = x - w / 2;
    if (align == Align::right) left = x - w;
    cairo_move_to(cr, std::round(left), y);
    setColour(cr, c, alpha);
    cairo_show_text(cr, s.c_str());
    cairo_new_path(cr);
}

void spacedText(cairo_t* cr, const std::string& s, double cx, double y, double size, bool bold,
                Colour c, double spacing) {
    useFont(cr, size, bold);
    double total = 0;
    for (char ch : s) total += textWidth(cr, std::string(1, ch)) + spacing;
    total -= spacing;
    double x = std::round(cx - total / 2);
    setColour(cr, c);
    for (char ch : s) {
        const std::string one(1, ch);
        cairo_move_to(cr, x, y);
        cairo_show_text(cr, one.c_str());
        x += textWidth(cr, one) + spacing;
    }
    cairo_new_path(cr);
}

void screw(cairo_t* cr, double cx, double cy, double r, double angle) {
    cairo_pattern_t* p = cairo_pattern_create_radial(cx - r * 0.4, cy - r * 0.4, 0, cx, cy, r);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.80, 0.81, 0.82);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.38, 0.39, 0.41);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    cairo_set_source_rgb(cr, 0.16, 0.16, 0.17);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
    const double dx = std::cos(angle) * r * 0.75, dy = std::sin(angle) * r * 0.75;
    cairo_move_to(cr, cx - dx, cy - dy);
    cairo_line_to(cr, cx + dx, cy + dy);
    cairo_set_line_width(cr, 1.3);
    cairo_set_source_rgb(cr, 0.14, 0.14, 0.15);
    cairo_stroke(cr);
}

void checkFont() {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 4, 4);
    cairo_t* cr = cairo_create(s);
    std::string family;
    for (bool bold : {false, true}) {
        useFont(cr, 10, bold);
        cairo_scaled_font_t* font = cairo_get_scaled_font(cr);
        if (cairo_scaled_font_get_type(font) == CAIRO_FONT_TYPE_FT) {
            FT_Face face = cairo_ft_scaled_font_lock_face(font);
            family = face && face->family_name ? face->family_name : "";
            cairo_ft_scaled_font_unlock_face(font);
        }
        if (family != "DejaVu Sans") break;
    }
    cairo_destroy(cr);
    cairo_surface_destroy(s);
    if (family != "DejaVu Sans")
        throw std::runtime_error("the artwork needs the font DejaVu Sans (Debian package "
                                 "fonts-dejavu-core); fontconfig offered '" + family + "'");
}

}  // namespace artwork
