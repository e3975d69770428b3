// The panel's fonts, sized from the board height and given to the controls at creation.
#include "panel/panel_fonts_win32.h"

#include "panel/control_ids.h"
#include "panel/panel_win32.h"
#include "render/geometry.h"

#include <initializer_list>

HFONT panel_font;
HFONT panel_bold_font;

namespace {

HFONT make_font(int height, int weight) {
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, RUSSIAN_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH,
                       "Courier New");
}

void set_font(HWND panel, int id, HFONT font) {
    SendDlgItemMessageA(panel, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

} // namespace

LRESULT on_panel_init(HWND panel, UINT, WPARAM, LPARAM) {
    HDC dc = GetDC(panel);
    const int dots_per_inch = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(panel, dc);

    // Point sizes that grow with the board; the bold one is a pixel taller still.
    const int size = geometry.board_height / 74;
    const int bold_size = geometry.board_height / 60;
    panel_font = make_font(-MulDiv(dots_per_inch, size, 72), FW_NORMAL);
    panel_bold_font = make_font(-(MulDiv(dots_per_inch, bold_size, 72) + 1), FW_BOLD);

    for (int id : {id_info, id_accuracy_display, id_privacy_switch}) {
        set_font(panel, id, panel_bold_font);
    }
    for (int id : {id_new,
                   id_skip,
                   id_internet,
                   id_hidden_field,
                   id_country,
                   id_email,
                   id_city,
                   id_birth_year,
                   id_nickname,
                   id_rounds,
                   id_lines_per_round,
                   id_rounds_frame,
                   id_colours_frame,
                   id_colours_2,
                   id_colours_3,
                   id_colours_4,
                   id_colours_5,
                   id_colours_6,
                   id_colours_7,
                   id_lines_display,
                   id_nickname_label,
                   id_place_label,
                   id_email_label,
                   id_birth_year_label,
                   id_ball_count_list}) {
        set_font(panel, id, panel_font);
    }
    // Returning 0 keeps the dialog manager from moving the focus into the panel.
    return 0;
}
