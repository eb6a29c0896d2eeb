#include "flash/AudioOutput.h"

#include "flash/ComRef.h"
#include "ui/KernelHandle.h"

#include <audioclient.h>
#include <mmdeviceapi.h>
#include <mmsystem.h>
#include <objbase.h>

#include <vector>

namespace flash {

namespace {

// An auto-reset event.
ui::KernelHandle NewEvent() { return ui::KernelHandle(CreateEventW(nullptr, FALSE, FALSE, nullptr)); }

// COM for the output thread, released when the thread ends.
class TComApartment {
public:
    TComApartment() : FOk(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~TComApartment() { if (FOk) CoUninitialize(); }
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;

private:
    bool FOk;
};

WAVEFORMATEX PcmFormat() {
    WAVEFORMATEX f = {};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 2;
    f.nSamplesPerSec = TAudioOutput::kRate;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 4;
    f.nAvgBytesPerSec = TAudioOutput::kRate * 4;
    return f;
}

// A device that opens and fails at once is not tried again straight away.
constexpr DWORD kRetryMs = 3000;

} // namespace

TAudioOutput::TAudioOutput(TSource source, TReport report)
    : FSource(std::move(source)), FReport(std::move(report)), FStopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

TAudioOutput::~TAudioOutput() { Stop(); }

void TAudioOutput::Start() {
    if (FThread.joinable() || !FStopEvent) return;
    ResetEvent(FStopEvent.Get());
    FThread = std::thread([this] { Run(); });
}

void TAudioOutput::Stop() {
    if (!FThread.joinable()) return;
    SetEvent(FStopEvent.Get());
    FThread.join();
    FDevice = TDevice::None;
}

void TAudioOutput::Run() {
    TComApartment com;
    bool reported = false;
    while (!StopAsked(0)) {
        if (PlayWasapi() || PlayWaveOut()) {
            reported = false;  // it played; a later loss is news again
        } else if (!reported) {
            if (FReport) FReport("No sound device could be opened; the game plays on without sound.");
            reported = true;
        }
        FDevice = TDevice::None;
        if (StopAsked(kRetryMs)) break;
    }
}

bool TAudioOutput::PlayWasapi() {
    TComRef<IMMDeviceEnumerator> devices;
    TComRef<IMMDevice> device;
    TComRef<IAudioClient> client;
    if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                                devices.PutVoid())) ||
        FAILED(devices->GetDefaultAudioEndpoint(eRender, eConsole, device.Put())) ||
        FAILED(device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, client.PutVoid())))
        return false;
    // The service converts our 44.1 kHz samples to whatever the device mixes at.
    WAVEFORMATEX format = PcmFormat();
    const REFERENCE_TIME buffer = REFERENCE_TIME(kBufferMs) * 10000;
    const DWORD flags = AUDCLNT_STREAMFLAGS_EVENTCALLBACK | AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM |
                        AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY;
    const ui::KernelHandle ready = NewEvent();
    UINT32 frames = 0;
    TComRef<IAudioRenderClient> render;
    if (FAILED(client->Initialize(AUDCLNT_SHAREMODE_SHARED, flags, buffer, 0, &format, nullptr)) ||
        FAILED(client->SetEventHandle(ready.Get())) || FAILED(client->GetBufferSize(&frames)) ||
        FAILED(client->GetService(__uuidof(IAudioRenderClient), render.PutVoid())) || frames == 0)
        return false;

    auto fill = [&](UINT32 n) {
        BYTE* data = nullptr;
        if (FAILED(render->GetBuffer(n, &data))) return false;
        FSource(reinterpret_cast<std::int16_t*>(data), n);
        return SUCCEEDED(render->ReleaseBuffer(n, 0));
    };
    if (!fill(frames) || FAILED(client->Start())) return false;
    FDevice = TDevice::Wasapi;
    const HANDLE waits[2] = {FStopEvent.Get(), ready.Get()};
    for (;;) {
        const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, 2 * kBufferMs);
        if (woke == WAIT_OBJECT_0) break;
        UINT32 queued = 0;
        if (FAILED(client->GetCurrentPadding(&queued))) break;  // the device went away
        if (queued < frames && !fill(frames - queued)) break;
    }
    client->Stop();
    return true;
}

bool TAudioOutput::PlayWaveOut() {
    const ui::KernelHandle done = NewEvent();
    WAVEFORMATEX format = PcmFormat();
    HWAVEOUT out = nullptr;
    if (waveOutOpen(&out, WAVE_MAPPER, &format, DWORD_PTR(done.Get()), 0, CALLBACK_EVENT) != MMSYSERR_NOERROR)
        return false;
    // Four blocks of a quarter of the buffer each: one plays while the others wait filled.
    constexpr int kBlocks = 4;
    const size_t block_frames = size_t(kRate) * kBufferMs / 1000 / kBlocks;
    std::vector<std::int16_t> samples(block_frames * 2 * kBlocks);
    WAVEHDR headers[kBlocks] = {};
    bool ok = true;
    for (int i = 0; i < kBlocks && ok; ++i) {
        headers[i].lpData = reinterpret_cast<LPSTR>(samples.data() + size_t(i) * block_frames * 2);
        headers[i].dwBufferLength = DWORD(block_frames * 4);
        ok = waveOutPrepareHeader(out, &headers[i], sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
        if (ok) {
            FSource(reinterpret_cast<std::int16_t*>(headers[i].lpData), block_frames);
            ok = waveOutWrite(out, &headers[i], sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
        }
    }
    if (ok) FDevice = TDevice::WaveOut;
    const HANDLE waits[2] = {FStopEvent.Get(), done.Get()};
    while (ok) {
        const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, 2 * kBufferMs);
        if (woke == WAIT_OBJECT_0) break;
        for (WAVEHDR& h : headers) {
            if (!(h.dwFlags & WHDR_DONE)) continue;
            FSource(reinterpret_cast<std::int16_t*>(h.lpData), block_frames);
            if (waveOutWrite(out, &h, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) ok = false;
        }
    }
    waveOutReset(out);
    for (WAVEHDR& h : headers)
        if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(out, &h, sizeof(WAVEHDR));
    waveOutClose(out);
    return true;
}

} // namespace flash
