@echo off
rem TryIt.cmd: the SIMULATED try-it of an Orvex automatic update (see SIMULATED.txt). It puts
rem stand-ins for an installed driver and for the device library into the system folders, starts
rem OrvexRoll.exe against the simulated adapter of Simulated\ and takes the stand-ins away again
rem when OrvexRoll has ended. Run it as administrator on a PC (or under Wine) without the real
rem Orvex driver: it refuses to touch a driver or library it did not put there itself.
setlocal
set "HERE=%~dp0"
rem A 32-bit cmd on 64-bit Windows sees System32 redirected; Sysnative is the real one. 64-bit
rem Windows keeps 32-bit libraries, which the tools load, in SysWOW64.
set "SYS=%SystemRoot%\System32"
if exist "%SystemRoot%\Sysnative\kernel32.dll" set "SYS=%SystemRoot%\Sysnative"
set "LIB32=%SYS%"
if exist "%SystemRoot%\SysWOW64\kernel32.dll" set "LIB32=%SystemRoot%\SysWOW64"
set "MARK=%SYS%\drivers\Orvex-SIMULATED-tryit.txt"

rem The marker says that an earlier try-it put the files there (and stopped before removing them).
if exist "%MARK%" goto install
if exist "%SYS%\drivers\Orvex.sys" goto real
if exist "%SYS%\drivers\Orvex2.sys" goto real
if exist "%SYS%\Orvex.dll" goto real
if exist "%LIB32%\Orvex.dll" goto real

:install
echo == SIMULATED: stand-ins for the installed driver (Orvex.sys 1.0.3.0) and the library (Orvex.dll) into %SYS%
rem Each step is checked by what it left: cmd does not say reliably whether a redirection failed.
echo Put here by %HERE%TryIt.cmd, the simulated try-it; it removes them and this file after its run.> "%MARK%"
if not exist "%MARK%" goto denied
copy /y "%HERE%Simulated\System\Orvex.sys" "%SYS%\drivers\Orvex.sys" >nul
copy /y "%HERE%Simulated\System\Orvex.dll" "%SYS%\Orvex.dll" >nul
copy /y "%HERE%Simulated\System\Orvex.dll" "%LIB32%\Orvex.dll" >nul
if not exist "%SYS%\drivers\Orvex.sys" goto denied
if not exist "%SYS%\Orvex.dll" goto denied
if not exist "%LIB32%\Orvex.dll" goto denied

echo == SIMULATED: a fresh adapter in %HERE%Simulated\Run\Adapter
if exist "%HERE%Simulated\Run" rmdir /s /q "%HERE%Simulated\Run"
mkdir "%HERE%Simulated\Run\Adapter"
copy /y "%HERE%Simulated\Adapter\OrvexSim.txt" "%HERE%Simulated\Run\Adapter\" >nul
copy /y "%HERE%Simulated\Adapter\Parameters.prg" "%HERE%Simulated\Run\Adapter\" >nul
set "ORVEX_SIM=%HERE%Simulated\Run\Adapter"

echo == OrvexRoll.exe; its log: %SystemDrive%\OrvexRoll\(date_time)\OrvexRoll.log
start "" /wait "%HERE%OrvexRoll.exe"
set "RC=%ERRORLEVEL%"
call :remove
echo == SIMULATED: the stand-ins are gone again
exit /b %RC%

:remove
del /f /q "%SYS%\drivers\Orvex.sys" "%SYS%\drivers\Orvex2.sys" "%SYS%\Orvex.dll" "%LIB32%\Orvex.dll" >nul 2>&1
del /f /q "%SystemRoot%\Inf\Orvex.inf" "%SystemRoot%\Inf\Orvex2.inf" "%MARK%" >nul 2>&1
goto :eof

:real
echo This PC has an Orvex driver or library that TryIt.cmd did not put there: the try-it would
echo replace it with its stand-ins. Try it on a PC without the adapter's driver, or under Wine.
exit /b 2

:denied
echo TryIt.cmd cannot write into %SYS%: start it as administrator.
call :remove
exit /b 3
