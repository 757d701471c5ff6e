@echo off
rem Runs the black-box cases of the Linewise plug-in against bin\Linewise-x86.dll, in a
rem console of their own, and prints one line per case and the summary. The exit code is the
rem number of failed cases. The registry keys the cases touch are saved to %TEMP% first and
rem put back afterwards; nothing else outside this folder and %TEMP% is written.
setlocal EnableExtensions
cd /d "%~dp0"
set "LWT_BIN=%~dp0bin"
if not exist "%LWT_BIN%\blackbox-x86.exe" (
  echo run-tests: bin\blackbox-x86.exe is missing; unpack the whole archive first.
  exit /b 1
)
set "LWT_STATE=%TEMP%\linewise-tests-%RANDOM%%RANDOM%"
rem Built-in commands are checked by their effect: not every cmd.exe sets their exit code.
mkdir "%LWT_STATE%" 2>nul
if not exist "%LWT_STATE%\" (
  echo run-tests: cannot make the folder %LWT_STATE%
  exit /b 1
)
set "LWT_REPORT=%LWT_STATE%\report.txt"
set "LWT_WINE="
reg query "HKLM\Software\Wine" >nul 2>&1 && set "LWT_WINE=1"

rem The keys the cases write: the plug-in's own (and the shared parent key), the classes the
rem print and open verbs use, the App Paths of the path search. Under Wine the classes live
rem under HKLM, which Wine's registry lets anyone write.
set "LWT_CLASSES=HKCU\Software\Classes"
if defined LWT_WINE set "LWT_CLASSES=HKLM\Software\Classes"
call :save 1 "HKCU\Software\JPPlugins"
call :save 2 "HKLM\Software\JPPlugins" /reg:32
call :save 3 "%LWT_CLASSES%\.txt"
call :save 4 "%LWT_CLASSES%\.png"
call :save 5 "%LWT_CLASSES%\.bmp"
call :save 6 "%LWT_CLASSES%\LinewiseTest.Recorder"
call :save 7 "HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths"

rem Windows 10 and later ship icu.dll in the system folder; Wine does not, so the test
rem bench's small one goes there for the run (32-bit programs see SysWOW64 on 64 bits).
set "LWT_ICU="
if defined LWT_WINE (
  set "LWT_SYS=%SystemRoot%\System32"
  if exist "%SystemRoot%\SysWOW64\" set "LWT_SYS=%SystemRoot%\SysWOW64"
)
if defined LWT_WINE if not exist "%LWT_SYS%\icu.dll" (
  copy /y "%LWT_BIN%\icu.dll" "%LWT_SYS%\icu.dll" >nul 2>&1
  set "LWT_ICU=%LWT_SYS%\icu.dll"
)

rem On Windows a console of their own: a classic one (conhost.exe), not a terminal that other
rem programs own, so that the cases' own host windows are the ones the plug-in finds. Under
rem Wine the console this script runs in: Wine 8's console host for a second, windowless
rem console faults during the calculator cases and leaves the program waiting for it.
set "LWT_CONHOST="
if not defined LWT_WINE if exist "%SystemRoot%\Sysnative\conhost.exe" set "LWT_CONHOST=%SystemRoot%\Sysnative\conhost.exe"
if not defined LWT_WINE if not defined LWT_CONHOST if exist "%SystemRoot%\System32\conhost.exe" set "LWT_CONHOST=%SystemRoot%\System32\conhost.exe"
if defined LWT_WINE (
  echo Linewise black-box cases: running ...
  "%LWT_BIN%\blackbox-x86.exe" --report "%LWT_REPORT%" 2>nul
) else if defined LWT_CONHOST (
  echo Linewise black-box cases: running in a console of their own ...
  start "Linewise tests" /wait "%LWT_CONHOST%" "%LWT_BIN%\blackbox-x86.exe" --report "%LWT_REPORT%"
  if not exist "%LWT_REPORT%" (
    echo run-tests: conhost.exe did not start the cases; starting them in a new console instead.
    start "Linewise tests" /wait "%LWT_BIN%\blackbox-x86.exe" --report "%LWT_REPORT%"
  )
) else (
  echo Linewise black-box cases: running in a console of their own ...
  start "Linewise tests" /wait "%LWT_BIN%\blackbox-x86.exe" --report "%LWT_REPORT%"
)

if defined LWT_ICU del /f /q "%LWT_ICU%" >nul 2>&1
call :restore 1 "HKCU\Software\JPPlugins"
call :restore 2 "HKLM\Software\JPPlugins" /reg:32
call :restore 3 "%LWT_CLASSES%\.txt"
call :restore 4 "%LWT_CLASSES%\.png"
call :restore 5 "%LWT_CLASSES%\.bmp"
call :restore 6 "%LWT_CLASSES%\LinewiseTest.Recorder"
for %%n in (lwtestapp.exe lwtestexp.exe lwtestgone.exe lwtestquoted.exe) do (
  reg delete "HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths\%%n" /f >nul 2>&1
)
call :restore 7 "HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths"

rem The report's lines, then its last line: "N passed, N failed, N skipped".
set "LWT_FAILED="
if exist "%LWT_REPORT%" (
  echo Linewise black-box cases, one line each:
  type "%LWT_REPORT%"
  for /f "usebackq tokens=1-4" %%a in ("%LWT_REPORT%") do (
    if "%%b"=="passed," if "%%d"=="failed," set "LWT_FAILED=%%c"
  )
)
if not defined LWT_FAILED (
  echo run-tests: the test program ended before its summary line ^(it crashed or was closed^).
  set "LWT_FAILED=1"
)
rmdir /s /q "%LWT_STATE%" >nul 2>&1
ver
exit /b %LWT_FAILED%

rem :save slot key [view]: exports the key to the state folder when it exists.
:save
set "LWT_HAD%1="
reg query %2 %3 >nul 2>&1 || goto :eof
reg export %2 "%LWT_STATE%\key%1.reg" %3 /y >nul 2>&1 && set "LWT_HAD%1=1"
goto :eof

rem :restore slot key [view]: a key that was not there is removed; the plug-in's own key is
rem put back exactly; any other key gets its saved values back over what the cases left.
:restore
if not defined LWT_HAD%1 (
  reg delete %2 %3 /f >nul 2>&1
  goto :eof
)
if "%1"=="1" reg delete %2 %3 /f >nul 2>&1
if "%1"=="2" reg delete %2 %3 /f >nul 2>&1
reg import "%LWT_STATE%\key%1.reg" %3 >nul 2>&1
goto :eof
