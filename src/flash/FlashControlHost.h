// TFlashControlHost: the Flash player ActiveX control installed on the user's system, hosted
// through OLE in a window of ours. TShockwaveFlash uses it for the movies the built-in player
// cannot run (ActionScript 3) when the control is registered; nothing of the control is
// shipped with the program.
//
// What the host does with the control, in order:
//   creation   CoCreateInstance (in-process), SetClientSite, then the stored state handed over
//              through IPersistPropertyBag (Quality, Scale, WMode as the layout keeps them), or
//              InitNew where the control has no property-bag persistence; the event sink is
//              advised on the control's events.
//   activation DoVerb(OLEIVERB_INPLACEACTIVATE) with the parent window and the bounds; when
//              the control was already active, SetObjectRects with the bounds as well. Without
//              an in-place object afterwards: EOleError "OLE control activation failed". The
//              control's window is then found (IOleInPlaceObject::GetWindow) and hidden or
//              shown as asked.
//   properties IDispatch::Invoke(dispid, DISPATCH_PROPERTYPUT) with one VT_I4 argument passed
//              as the named argument DISPID_PROPERTYPUT.
//   methods    LoadMovie(layer, url) and Play() through IDispatch, their ids asked by name.
//   closing    Unadvise, InPlaceDeactivate, Close(OLECLOSE_NOSAVE), SetClientSite(null).
// A failed call raises EOleError with the control's own error text (its EXCEPINFO or error
// object), or the system's text for the result code.
//
// The control's events (OnReadyStateChange, OnProgress, FSCommand, FlashCall) are received
// and left unhandled: the launcher has nothing to do with them.
#pragma once

#include "flash/ComRef.h"
#include "ui/Geometry.h"

#include <ole2.h>
#include <ocidl.h>

#include <memory>
#include <string>

namespace flash {

// The registered Flash player control and the interfaces it is driven through.
// {D27CDB6E-AE6D-11CF-96B8-444553540000}
inline constexpr CLSID kFlashControlClassId = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// Its events, {D27CDB6D-AE6D-11CF-96B8-444553540000}.
inline constexpr IID kFlashControlEventsId = {0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// The state the control is created with, as the window layout stores it.
struct TFlashControlState {
    std::wstring Quality = L"High";
    std::wstring Scale = L"ShowAll";
    std::wstring WMode = L"Window";
};

class TFlashControlHost {
public:
    // Makes a control of the class and hands it its state. Null when no such control is
    // registered or it cannot be made (so the caller goes on without it); EOleError when the
    // control exists but refuses its state.
    static std::unique_ptr<TFlashControlHost> Create(const CLSID& classId, const TFlashControlState& state);
    ~TFlashControlHost();
    TFlashControlHost(const TFlashControlHost&) = delete;
    TFlashControlHost& operator=(const TFlashControlHost&) = delete;

    // In-place activation in `parent` at `bounds` (parent client pixels); run again after
    // every change of the bounds. The control's window shows only when `visible`.
    void Activate(HWND parent, const ui::Rect& bounds, bool visible);
    bool Active() const { return FInPlace.Get() != nullptr; }
    // The control's window once it is active, else null.
    HWND Window() const { return FWindow; }
    // Hands the keyboard focus to the control's window.
    void Focus();

    void PutPropertyById(int dispid, int value);
    void LoadMovie(int layer, const std::wstring& url);
    void Play();

private:
    class TSite;
    class TEventSink;
    TFlashControlHost() = default;

    // Runs one IDispatch call and raises EOleError with the control's text when it fails.
    void Invoke(DISPID id, WORD flags, VARIANT* args, UINT count, bool propertyPut);
    DISPID IdOfName(const wchar_t* name);
    void Close();

    TComRef<IOleObject> FObject;
    TComRef<IDispatch> FDispatch;
    TComRef<IOleInPlaceObject> FInPlace;
    TComRef<IConnectionPoint> FEvents;
    DWORD FEventsCookie = 0;
    TSite* FSite = nullptr;  // one reference held while the host lives
    HWND FWindow = nullptr;
};

} // namespace flash
