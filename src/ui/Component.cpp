#include "ui/Component.h"
#include <algorithm>
#include <cstring>

namespace ui {

namespace {
std::string ToUtf8(const std::wstring& s) {
    if (s.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring FromMultiByte(const char* s, UINT codePage, DWORD flags) {
    int len = static_cast<int>(std::strlen(s));
    if (len == 0) return {};
    int n = MultiByteToWideChar(codePage, flags, s, len, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, s, len, out.data(), n);
    return out;
}

void EraseOne(std::vector<TComponent*>& list, TComponent* c) {
    auto it = std::find(list.begin(), list.end(), c);
    if (it != list.end()) list.erase(it);
}
} // namespace

Exception::Exception(std::wstring message) : FMessage(std::move(message)), FUtf8(ToUtf8(FMessage)) {}

std::wstring ExceptionMessage(const std::exception& e) {
    if (auto* own = dynamic_cast<const Exception*>(&e)) return own->Message();
    const char* text = e.what();
    if (!text || !*text) return {};
    // Our own messages are UTF-8; library messages may be in the system code page.
    std::wstring w = FromMultiByte(text, CP_UTF8, MB_ERR_INVALID_CHARS);
    if (w.empty()) w = FromMultiByte(text, CP_ACP, 0);
    return w;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    FState |= csDestroying;
    DestroyComponents();
    // Whoever asked to hear of our end hears it now; our own links to others end too.
    for (TComponent* c : std::vector<TComponent*>(FFreeNotifies)) {
        EraseOne(c->FFreeNotifies, this);
        c->Notification(this, opRemove);
    }
    FFreeNotifies.clear();
    if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::SetName(const std::wstring& name) {
    if (name == FName) return;
    if (FOwner && !name.empty()) {
        TComponent* other = FOwner->FindComponent(name);
        if (other && other != this) throw Exception(L"A component named " + name + L" already exists");
    }
    FName = name;
}

TComponent* TComponent::FindComponent(const std::wstring& name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : FComponents)
        if (SameText(c->FName, name)) return c;
    return nullptr;
}

void TComponent::DestroyComponents() {
    // Last created first: later components may refer to earlier ones (a button to its image
    // list), never the other way round.
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        RemoveComponent(c);
        delete c;
    }
}

void TComponent::ChangeOwner(TComponent* newOwner) {
    if (newOwner == FOwner) return;
    if (FOwner) FOwner->RemoveComponent(this);
    if (newOwner) newOwner->InsertComponent(this);
}

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), other) == FFreeNotifies.end()) {
        FFreeNotifies.push_back(other);
        other->FFreeNotifies.push_back(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (!other) return;
    EraseOne(FFreeNotifies, other);
    EraseOne(other->FFreeNotifies, this);
}

void TComponent::Loaded() { FState &= ~csLoading; }

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove) RemoveFreeNotification(component);
    // The owner passes every notification on to what it owns, so siblings hear of each other.
    for (TComponent* c : std::vector<TComponent*>(FComponents))
        if (c != component) c->Notification(component, operation);
}

void TComponent::InsertComponent(TComponent* c) {
    FComponents.push_back(c);
    c->FOwner = this;
    Notification(c, opInsert);
}

void TComponent::RemoveComponent(TComponent* c) {
    EraseOne(FComponents, c);
    c->FOwner = nullptr;
    Notification(c, opRemove);
}

} // namespace ui
