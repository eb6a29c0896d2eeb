#include "app/FrmDoc.h"
#include "app/FrmFlashGame.h"
#include "ui/Application.h"
#include "ui/Layout.h"
#include "widgets/WkMemo.h"
#include <memory>

namespace app {

namespace {

std::wstring Decode(const std::string& bytes, UINT codePage) {
    if (bytes.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

std::wstring LastErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = buffer ? buffer : L"";
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    return text;
}

// A file handle closed on every path.
struct FileHandle {
    HANDLE h;
    ~FileHandle() { if (h != INVALID_HANDLE_VALUE) CloseHandle(h); }
};

} // namespace

std::wstring ReadDescriptionFile(const std::wstring& path) {
    FileHandle file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE)
        throw ui::Exception(L"Cannot open file \"" + path + L"\". " + LastErrorText(GetLastError()));
    // Descriptions are a few kilobytes; anything past 16 MiB is not a description.
    constexpr DWORD kMaxSize = 16u << 20;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.h, &size) || size.QuadPart > kMaxSize)
        throw ui::Exception(L"Cannot read file \"" + path + L"\".");
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file.h, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        throw ui::Exception(L"Cannot read file \"" + path + L"\". " + LastErrorText(GetLastError()));
    bytes.resize(read);

    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return Decode(bytes.substr(3), CP_UTF8);
    if (bytes.size() >= 2 && (bytes[0] == '\xFF' && bytes[1] == '\xFE')) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        memcpy(text.data(), bytes.data() + 2, text.size() * 2);
        return text;
    }
    if (bytes.size() >= 2 && (bytes[0] == '\xFE' && bytes[1] == '\xFF')) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<wchar_t>((static_cast<unsigned char>(bytes[2 + 2 * i]) << 8) |
                                           static_cast<unsigned char>(bytes[3 + 2 * i]));
        return text;
    }
    return Decode(bytes, CP_ACP);
}

void SetDialogFont(ui::TForm& form) {
    ui::TFont font = form.Font();
    font.Name = L"宋体";
    font.SetSize(9);
    form.SetFont(font);
}

TFrmDoc::TFrmDoc(ui::TComponent* owner) : ui::TForm(owner) {
    ui::LoadLayout(*this, L"TFRMDOC");
    WkMemo1 = dynamic_cast<wk::TWkMemo*>(FindComponent(L"WkMemo1"));
    if (!WkMemo1) throw ui::Exception(L"The description dialog's layout has no WkMemo1");
}

void ShowGameDoc(const std::wstring& docFile) {
    std::unique_ptr<TFrmDoc> dialog(ui::NewForm<TFrmDoc>(&ui::Application()));
    SetDialogFont(*dialog);
    // The description is read afresh each time; no file means an empty memo. A file that
    // exists but cannot be read raises an error before the dialog shows.
    if (RegularFileExists(docFile)) dialog->WkMemo1->Lines().SetText(ReadDescriptionFile(docFile));
    dialog->ShowModal();
}

} // namespace app
