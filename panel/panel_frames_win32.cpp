// Keeps the caption of the rounds frame readable where the colour frame above reaches into it.
#include "panel/panel_win32.h"
#include "resources/control_ids.h"

namespace {

RECT rect_in_panel(HWND control, HWND panel) {
    RECT r = {};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Rows of the caption's font above its letters: the internal leading.
int caption_leading(HWND frame) {
    HDC dc = GetDC(frame);
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(frame, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(frame, dc);
    return metrics.tmInternalLeading;
}

} // namespace

// The layout starts the rounds frame one layout unit above the colour frame's bottom edge
// (rows 68 and 43 + 26). Sibling controls are painted in their order, and the colour frame
// comes later: it paints its bottom over whatever of the rounds frame's caption lies in that
// unit. On smaller boards the unit ends within the font's leading, above the letters; on larger
// ones it cuts their tops off. There the rounds frame moves behind the last colour radio, so
// that its caption is painted after the colour frame and lies over its bottom edge. Smaller
// boards keep the template's order, and their pixels.
void keep_rounds_caption_readable(HWND panel) {
    HWND rounds = GetDlgItem(panel, IDC_ROUNDS_FRAME);
    HWND colours = GetDlgItem(panel, IDC_COLOURS_FRAME);
    HWND last_radio = GetDlgItem(panel, IDC_COLOURS_7);
    if (!rounds || !colours || !last_radio) {
        return;
    }
    const int overlap = rect_in_panel(colours, panel).bottom - rect_in_panel(rounds, panel).top;
    if (overlap > caption_leading(rounds)) {
        // Behind the radios, not just behind the colour frame: the six radios stay the group
        // that the colour frame opens.
        SetWindowPos(rounds, last_radio, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}
