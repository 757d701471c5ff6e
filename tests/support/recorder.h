// Print and open verbs in tests: the recorder program (tests/support/recorder/) registered
// for some extensions, with "print" and "open" verbs, and what it recorded when the shell
// started it. On Windows the classes go under HKCU\Software\Classes, which needs no
// administrator rights; under Wine under HKLM\Software\Classes (Wine 8 ignores the current
// user's classes). Tests that
// register it must not run at the same time as other such tests (the black-box tests hold the
// settings-key lock). Nothing here starts the prefix's notepad or a printer dialog.
#pragma once
#include <stddef.h>

enum { RecordedBytesCapacity = 1 << 20 };

struct Recording {
    int show; // the nShow the program was started with
    wchar_t commandLine[2048];
    wchar_t file[1024];   // the file named on the command line (its second argument)
    wchar_t verb[16];     // "print" or "open": the verb whose command ran
    unsigned char *bytes; // a copy of that file's bytes as the recorder read them
    size_t size;
};

// Points the extensions (".txt", ".png", ...) at the recorder, remembering their old
// associations, and sets where the recorder writes. False when the registry refused.
bool RegisterRecorder(const wchar_t *const *extensions, int count);

// After RegisterRecorder: null when the shell resolves both verbs of every extension to the
// recorder; otherwise why not (on Windows a choice the user made for the file type in
// Explorer outranks the classes), and a case should skip rather than start that program.
const char *RecorderOverridden(void);

// Puts the remembered associations back and removes the recorder's class.
void RestoreAssociations(void);

// Forgets an earlier recording, so that the next wait sees only a new one.
void ClearRecording(void);

// Waits up to timeoutMs for the recorder to have run; true with the recording filled (its
// bytes stay valid until the next call).
bool WaitForRecording(Recording *recording, int timeoutMs);
