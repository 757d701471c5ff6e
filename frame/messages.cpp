#include "frame/messages.h"

#include "frame/dyncalls.h"
#include "frame/globals.h"
#include "frame/host.h"
#include "frame/text.h"

#include <wchar.h>

namespace
{

const unsigned int SoundAliases[7] = {0,
                                      0,
                                      SND_ALIAS_SYSTEMASTERISK,
                                      SND_ALIAS_SYSTEMDEFAULT,
                                      SND_ALIAS_SYSTEMEXCLAMATION,
                                      SND_ALIAS_SYSTEMHAND,
                                      SND_ALIAS_SYSTEMQUESTION};

// The sound player, winmm.dll, is loaded on the first sound and pinned: its asynchronous player
// thread may outlive a sound we stop, and must never find its code gone when the shell unloads
// us. A plug-in that never plays a sound never loads it.
Sig_PlaySoundW Player(void)
{
    static Sig_PlaySoundW playSound;
    if (playSound)
        return playSound;
    HMODULE winmm = LoadLibraryW(L"winmm.dll");
    if (!winmm)
        return nullptr;
    HMODULE pinned;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       (LPCWSTR)(void *)winmm, &pinned);
    playSound = DYNAMIC_FUNCTION(winmm, PlaySoundW);
    FreeLibrary(winmm); // the pin keeps it
    return playSound;
}

// Set once a sound was started since the plug-in was loaded; the player may still be reading
// the chime from this module's resources.
bool SoundStarted;

void PlayAsync(LPCWSTR sound, HMODULE module, DWORD flags)
{
    Sig_PlaySoundW playSound = Player();
    if (!playSound)
        return;
    SoundStarted = true;
    playSound(sound, module, flags | SND_ASYNC);
}

void Play(unsigned int value, bool copyChime)
{
    unsigned int alias = 0;
    switch (SoundFor(value, copyChime, &alias)) {
    case SoundNone:
        break;
    case SoundHonk:
        honk();
        break;
    case SoundChime:
        PlayAsync(MAKEINTRESOURCEW(101), Plugin.instance, SND_RESOURCE);
        break;
    case SoundAlias:
        PlayAsync((LPCWSTR)(ULONG_PTR)alias, nullptr, SND_ALIAS_ID);
        break;
    }
}

} // namespace

SoundKind SoundFor(unsigned int value, bool copyChime, unsigned int *alias)
{
    if (value > 6)
        value = 1;
    if (value == 0)
        return SoundNone;
    if (value == 1)
        return copyChime ? SoundChime : SoundHonk;
    if (alias)
        *alias = SoundAliases[value];
    return SoundAlias;
}

int PlayErrorSound(void)
{
    Play(Settings.ErrorSound, false);
    return 0;
}

int PlayCopyChime(void)
{
    Play(Settings.CopyChime, true);
    return 0;
}

int StopSounds(void)
{
    if (!SoundStarted)
        return 0;
    SoundStarted = false;
    // A null sound stops the one playing and returns once the player has let go of it.
    Sig_PlaySoundW playSound = Player();
    if (playSound)
        playSound(nullptr, nullptr, 0);
    return 0;
}

int ReportErrorPrefix(void)
{
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    Qprintf(error, L"%s plugin: ", PLUGIN_NAME);
    static wchar_t text[ExpansionCapacity];
    TextCopy(text, ExpansionCapacity, L"%_batch");
    ExpandVariables(text, 1);
    if (text[0] != L'0') {
        TextCopy(text, ExpansionCapacity, L"%_batchname [%_batchline]  ");
        ExpandVariables(text, 1);
        Qprintf(error, L"%s", text);
    }
    return 0;
}

bool MessagesAllowed(void)
{
    static wchar_t text[ExpansionCapacity];
    TextCopy(text, ExpansionCapacity, L"%[_transient]%[_pipe]");
    ExpandVariables(text, 1);
    return wcscmp(text, L"00") == 0;
}

int WindowsErrorText(wchar_t *out, int code)
{
    if (!out)
        return -1;
    out[0] = 0;
    if (code == -1) {
        TextCopy(out, ErrorTextCapacity, L"Unknown error");
        return 0;
    }
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                 FORMAT_MESSAGE_MAX_WIDTH_MASK,
                             nullptr, (DWORD)code, 0, out, ErrorTextCapacity, nullptr);
    if (n == 0 || !out[0])
        TextFormat(out, ErrorTextCapacity, L"Error %d", code);
    size_t length = TextLength(out);
    while (length > 0 && IsBlank(out[length - 1]))
        out[--length] = 0;
    return 0;
}
