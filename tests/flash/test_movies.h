// Small SWF files written in the tests themselves: a stage of w x h pixels with a background
// colour and one solid rectangle covering the whole stage, shown for a number of frames.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace flash_test {

// A movie written to the temporary folder for the life of the object; `name` ends the file name.
class TempMovie {
public:
    explicit TempMovie(const std::vector<uint8_t>& data, const wchar_t* name = L" \u2615.swf") {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        FPath = std::wstring(temp) + L"plumora-test-" + std::to_wstring(GetCurrentProcessId()) + name;
        HANDLE h = CreateFileW(FPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD n = 0;
        WriteFile(h, data.data(), DWORD(data.size()), &n, nullptr);
        CloseHandle(h);
    }
    ~TempMovie() { DeleteFileW(FPath.c_str()); }
    TempMovie(const TempMovie&) = delete;
    TempMovie& operator=(const TempMovie&) = delete;
    const std::wstring& Path() const { return FPath; }

private:
    std::wstring FPath;
};

class BitWriter {
public:
    void Bits(int n, uint32_t v) {
        for (int i = n - 1; i >= 0; --i) {
            FAcc = uint8_t((FAcc << 1) | ((v >> i) & 1));
            if (++FCount == 8) Flush();
        }
    }
    std::vector<uint8_t> Take() {
        if (FCount) { FAcc = uint8_t(FAcc << (8 - FCount)); Flush(); }
        return std::move(FOut);
    }

private:
    void Flush() { FOut.push_back(FAcc); FAcc = 0; FCount = 0; }
    std::vector<uint8_t> FOut;
    uint8_t FAcc = 0;
    int FCount = 0;
};

inline void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) { out.insert(out.end(), more.begin(), more.end()); }
inline void Put16(std::vector<uint8_t>& out, int v) { out.push_back(uint8_t(v)); out.push_back(uint8_t(v >> 8)); }

inline std::vector<uint8_t> SwfRect(int xmax, int ymax) {
    BitWriter b;
    b.Bits(5, 16);
    for (int v : {0, xmax, 0, ymax}) b.Bits(16, uint32_t(v));
    return b.Take();
}

inline std::vector<uint8_t> Tag(int code, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> t;
    Put16(t, (code << 6) | 0x3F); // long form for every tag keeps this writer simple
    for (int i = 0; i < 4; ++i) t.push_back(uint8_t(body.size() >> (8 * i)));
    Append(t, body);
    return t;
}

// DefineShape `id`: a `fill` rectangle of tw x th twips from the origin.
// An uncompressed movie file of this version around `body` (the frame rectangle onwards).
inline std::vector<uint8_t> FwsFile(uint8_t version, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> file = {'F', 'W', 'S', version};
    const uint32_t total = uint32_t(body.size() + 8);
    for (int i = 0; i < 4; ++i) file.push_back(uint8_t(total >> (8 * i)));
    Append(file, body);
    return file;
}

inline std::vector<uint8_t> RectShapeTag(int id, int tw, int th, COLORREF fill) {
    std::vector<uint8_t> shape;
    Put16(shape, id);
    Append(shape, SwfRect(tw, th));
    Append(shape, {1, 0, GetRValue(fill), GetGValue(fill), GetBValue(fill), 0}); // one solid fill, no lines
    BitWriter rec;
    rec.Bits(4, 1); // fill index bits
    rec.Bits(4, 0); // line index bits
    rec.Bits(6, 0b000011); // style change: FillStyle0 + MoveTo
    rec.Bits(5, 1);        // move to (0, 0)
    rec.Bits(1, 0);
    rec.Bits(1, 0);
    rec.Bits(1, 1); // FillStyle0 = 1
    auto line = [&](int dx, int dy) {
        rec.Bits(2, 0b11); // straight edge
        rec.Bits(4, 16 - 2);
        rec.Bits(1, 1); // general line
        rec.Bits(16, uint32_t(dx));
        rec.Bits(16, uint32_t(dy));
    };
    line(tw, 0);
    line(0, th);
    line(-tw, 0);
    line(0, -th);
    rec.Bits(6, 0); // end of shape
    Append(shape, rec.Take());
    return Tag(2, shape);
}

// A stage of w x h pixels on `bg` (CLR_NONE: no SetBackgroundColor) with a `fill` rectangle
// from the top-left corner, rw x rh pixels (the whole stage when 0), as character 1 at depth 1.
// `extra` tags go after the placement, before the first frame ends.
inline std::vector<uint8_t> StageMovie(int w, int h, int frames, uint8_t fps, COLORREF bg, COLORREF fill, int rw = 0,
                                       int rh = 0, const std::vector<uint8_t>& extra = {}) {
    std::vector<uint8_t> body = SwfRect(w * 20, h * 20);
    body.push_back(0);
    body.push_back(fps); // 8.8 frame rate
    Put16(body, frames);
    if (bg != CLR_NONE) Append(body, Tag(9, {GetRValue(bg), GetGValue(bg), GetBValue(bg)}));
    Append(body, RectShapeTag(1, (rw ? rw : w) * 20, (rh ? rh : h) * 20, fill));
    Append(body, Tag(26, {0x06, 1, 0, 1, 0, 0})); // PlaceObject2: character 1 at depth 1, identity matrix
    Append(body, extra);
    for (int i = 0; i < frames; ++i) Append(body, Tag(1, {}));
    Append(body, Tag(0, {}));
    return FwsFile(6, body);
}

// A 400 x 300 stage at `fps` on dark blue with a 40-pixel `colour` square crossing it, one step
// a frame, `frames` frames long. `frameActions` (action records without the end), when given,
// run in every frame.
inline std::vector<uint8_t> MovingSquare(int frames, uint8_t fps, COLORREF colour = RGB(255, 200, 0),
                                         const std::vector<uint8_t>& frameActions = {}) {
    std::vector<uint8_t> body = SwfRect(400 * 20, 300 * 20);
    body.push_back(0);
    body.push_back(fps);
    Put16(body, frames);
    Append(body, Tag(9, {0, 0, 64}));
    Append(body, RectShapeTag(1, 40 * 20, 40 * 20, colour));
    for (int i = 0; i < frames; ++i) {
        std::vector<uint8_t> place = {uint8_t(i == 0 ? 0x06 : 0x05), 1, 0};  // matrix, character or move
        if (i == 0) Put16(place, 1);
        BitWriter m;
        m.Bits(1, 0);  // no scale
        m.Bits(1, 0);  // no rotation
        m.Bits(5, 17);
        m.Bits(17, uint32_t((i * 3 % 360) * 20));
        m.Bits(17, uint32_t(130 * 20));
        Append(place, m.Take());
        Append(body, Tag(26, place));
        if (!frameActions.empty()) {
            std::vector<uint8_t> actions = frameActions;
            actions.push_back(0);
            Append(body, Tag(12, actions));
        }
        Append(body, Tag(1, {}));
    }
    Append(body, Tag(0, {}));
    return FwsFile(6, body);
}

// Actions that leave garbage behind: o = new Array(1000).
inline std::vector<uint8_t> NewArrayEveryFrame() {
    return {0x96, 20, 0, 0x00, 'o', 0, 0x07, 0xE8, 0x03, 0, 0, 0x07, 1, 0, 0, 0, 0x00, 'A', 'r', 'r', 'a', 'y', 0,
            0x40,   // NewObject
            0x1D};  // SetVariable
}

// A button (character 3 at depth 2) over the w x h pixels from the top-left corner, drawn as the
// rectangle of StageMovie (character 1) while up or hovered and in `down` while pressed.
inline std::vector<uint8_t> PressColourButtonTags(int w, int h, COLORREF down) {
    std::vector<uint8_t> tags = RectShapeTag(2, w * 20, h * 20, down);
    std::vector<uint8_t> button;
    Put16(button, 3);
    for (auto [states, shape] : {std::pair{0x0B, 1}, std::pair{0x04, 2}}) { // up, over, hit | down
        button.push_back(uint8_t(states));
        Put16(button, shape);
        Put16(button, 1); // depth inside the button
        button.push_back(0); // identity matrix
    }
    button.push_back(0); // end of records
    button.push_back(0); // no actions
    Append(tags, Tag(7, button));
    Append(tags, Tag(26, {0x06, 2, 0, 3, 0, 0})); // PlaceObject2: character 3 at depth 2
    return tags;
}

// A button (character 2 at depth 2) whose every state is the rectangle of StageMovie, so it
// covers that rectangle; releasing a press on it traces `text`.
inline std::vector<uint8_t> TraceButtonTags(const char* text) {
    std::vector<uint8_t> button;
    Put16(button, 2);
    button.push_back(0x0F); // hit test, down, over and up states
    Put16(button, 1);       // the rectangle
    Put16(button, 1);       // its depth inside the button
    button.push_back(0);    // identity matrix
    button.push_back(0);    // end of records
    std::vector<uint8_t> push = {0x00};
    for (const char* c = text; *c; ++c) push.push_back(uint8_t(*c));
    push.push_back(0);
    button.push_back(0x96); // Push (a string)
    Put16(button, int(push.size()));
    Append(button, push);
    button.push_back(0x26); // Trace
    button.push_back(0x00); // end of actions
    std::vector<uint8_t> tags = Tag(7, button);
    Append(tags, Tag(26, {0x06, 2, 0, 2, 0, 0})); // PlaceObject2: character 2 at depth 2
    return tags;
}

} // namespace flash_test
