#include "frame/messages.h"
#include "frame/text.h"
#include "settings/settings.h"
#include "tests/support/check.h"
#include "tests/support/hostctl.h"

#include <mmsystem.h>
#include <wchar.h>
#include <windows.h>

namespace
{

bool EndsInBlank(const wchar_t *text)
{
    size_t length = wcslen(text);
    return length > 0 && IsBlank(text[length - 1]);
}

void SetBatch(const wchar_t *level, const wchar_t *name, const wchar_t *line)
{
    Host().SetVariable(L"_batch", level);
    Host().SetVariable(L"_batchname", name);
    Host().SetVariable(L"_batchline", line);
}

} // namespace

TEST(windows_error_text)
{
    wchar_t out[ErrorTextCapacity];
    CHECK_EQ(WindowsErrorText(nullptr, 2), -1);

    CHECK_EQ(WindowsErrorText(out, -1), 0);
    CHECK_TEXT(out, L"Unknown error");

    // A known code: the system's text, on one line and without the trailing line break.
    CHECK_EQ(WindowsErrorText(out, ERROR_FILE_NOT_FOUND), 0);
    CHECK(out[0] != 0);
    CHECK(!EndsInBlank(out));
    CHECK(wcschr(out, L'\r') == nullptr && wcschr(out, L'\n') == nullptr);
    CHECK(wcsncmp(out, L"Error ", 6) != 0);
    CHECK_EQ(WindowsErrorText(out, ERROR_ACCESS_DENIED), 0);
    CHECK(out[0] != 0 && !EndsInBlank(out));

    // Codes the system has no text for.
    CHECK_EQ(WindowsErrorText(out, 0x7FFFFFF0), 0);
    CHECK_TEXT(out, L"Error 2147483632");
    CHECK_EQ(WindowsErrorText(out, -5), 0);
    CHECK_TEXT(out, L"Error -5");
}

TEST(error_prefix_at_the_prompt)
{
    Host().CaptureOutput(1);
    TakeOutput(1);
    TakeOutput(2);
    SetBatch(L"0", L"C:\\scripts\\build.btm", L"12");
    CHECK_EQ(ReportErrorPrefix(), 0);
    CHECK_TEXT(TakeOutput(2), L"Linewise plugin: ");
    CHECK_TEXT(TakeOutput(1), L"");
    Host().CaptureOutput(0);
    SetBatch(nullptr, nullptr, nullptr);
}

TEST(error_prefix_inside_a_batch_file)
{
    Host().CaptureOutput(1);
    TakeOutput(1);
    TakeOutput(2);
    SetBatch(L"1", L"C:\\scripts\\build.btm", L"12");
    CHECK_EQ(ReportErrorPrefix(), 0);
    CHECK_TEXT(TakeOutput(2), L"Linewise plugin: C:\\scripts\\build.btm [12]  ");
    CHECK_TEXT(TakeOutput(1), L"");

    // The batch file's name is plain text, never a format.
    SetBatch(L"2", L"C:\\100%s %d\\x.bat", L"3");
    ReportErrorPrefix();
    CHECK_TEXT(TakeOutput(2), L"Linewise plugin: C:\\100%s %d\\x.bat [3]  ");
    Host().CaptureOutput(0);
    SetBatch(nullptr, nullptr, nullptr);
}

TEST(sound_choices)
{
    unsigned int alias = 12345;
    CHECK_EQ(SoundFor(0, false, &alias), SoundNone);
    CHECK_EQ(SoundFor(0, true, &alias), SoundNone);
    CHECK_EQ(SoundFor(1, false, &alias), SoundHonk);
    CHECK_EQ(SoundFor(1, true, &alias), SoundChime);
    CHECK_EQ(alias, 12345);

    const unsigned int expected[7] = {0,
                                      0,
                                      SND_ALIAS_SYSTEMASTERISK,
                                      SND_ALIAS_SYSTEMDEFAULT,
                                      SND_ALIAS_SYSTEMEXCLAMATION,
                                      SND_ALIAS_SYSTEMHAND,
                                      SND_ALIAS_SYSTEMQUESTION};
    for (unsigned int value = 2; value <= 6; value++)
        for (int copy = 0; copy < 2; copy++) {
            alias = 0;
            CHECK_EQ(SoundFor(value, copy != 0, &alias), SoundAlias);
            CHECK_EQ(alias, expected[value]);
        }

    // Out of range, negative values included, plays what 1 plays.
    CHECK_EQ(SoundFor(7, false, &alias), SoundHonk);
    CHECK_EQ(SoundFor(7, true, &alias), SoundChime);
    CHECK_EQ(SoundFor((unsigned int)-1, false, &alias), SoundHonk);
    CHECK_EQ(SoundFor((unsigned int)-1, true, &alias), SoundChime);
    CHECK_EQ(SoundFor(3, false, nullptr), SoundAlias);
}

TEST(error_sound_uses_the_shell_honk_only_when_chosen)
{
    const unsigned int saved = Settings.ErrorSound;
    const struct {
        unsigned int value;
        int honks;
    } cases[] = {{0, 0}, {1, 1}, {2, 0}, {6, 0}, {7, 1}, {(unsigned int)-1, 1}};
    for (const auto &c : cases) {
        Settings.ErrorSound = c.value;
        Host().ResetCounters();
        CHECK_EQ(PlayErrorSound(), 0);
        CHECK_EQ(Host().HonkCalls(), c.honks);
    }

    // The copy chime never honks, whatever its value.
    const unsigned int savedChime = Settings.CopyChime;
    const unsigned int chimes[] = {0, 1, 4, 7, (unsigned int)-1};
    for (unsigned int value : chimes) {
        Settings.CopyChime = value;
        Host().ResetCounters();
        CHECK_EQ(PlayCopyChime(), 0);
        CHECK_EQ(Host().HonkCalls(), 0);
    }
    StopSounds();
    Settings.CopyChime = savedChime;
    Settings.ErrorSound = saved;
}
