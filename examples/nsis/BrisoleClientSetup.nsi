; The Brisole client setup: an NSIS 3 installer that calls the two installer
; exports of VInstallParamsClient.dll as a client workstation's setup does.
;
; Build:  makensis -DVIPC_DLL=<path of VInstallParamsClient.dll> [-DOUTFILE=<setup.exe>]
;                  BrisoleClientSetup.nsi
; Run:    BrisoleClientSetup.exe [/S] [/SERVER=<Brisole server>] [/D=<install folder>]
;         (/D comes last; the server defaults to 127.0.0.1)
; Exit status: 0 done, 3 SetParameters returned false, 4 SetBDEConfig returned false.
;
; The DLL takes 8-bit ANSI texts, so the installer is an ANSI one and passes
; its texts with the System plug-in's "m" type. Each call unloads the DLL
; again ("?u"): neither export keeps anything between calls.

Unicode false
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!ifndef VIPC_DLL
  !error "name the DLL to ship: makensis -DVIPC_DLL=<path of VInstallParamsClient.dll>"
!endif
!ifndef OUTFILE
  !define OUTFILE "BrisoleClientSetup.exe"
!endif

Name "Brisole client"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Brisole"
RequestExecutionLevel admin
ShowInstDetails show

Page directory
Page instfiles

Var BrisoleServer

Function .onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/SERVER=" $BrisoleServer
  ${If} ${Errors}
  ${OrIf} $BrisoleServer == ""
    StrCpy $BrisoleServer "127.0.0.1"
  ${EndIf}
FunctionEnd

Section "Brisole client"
  SetOutPath "$INSTDIR"
  InitPluginsDir
  File "/oname=$PLUGINSDIR\VInstallParamsClient.dll" "${VIPC_DLL}"

  ; Ask the Brisole server for the database alias and the shared folder; the
  ; DLL writes them to BrisoleInstaller.ini in the install folder. The result
  ; is one byte: only the low byte of the returned register counts.
  DetailPrint "Asking the Brisole server $BrisoleServer for the client settings"
  System::Call '$PLUGINSDIR\VInstallParamsClient.dll::SetParameters(i 0, m "$BrisoleServer", m "$INSTDIR\") i .r0 ?u'
  IntOp $0 $0 & 0xFF
  ${If} $0 != 1
    DetailPrint "The client settings could not be fetched"
    SetErrorLevel 3
    Quit
  ${EndIf}

  ; Register the database alias with the server the settings file names.
  ReadINIStr $1 "$INSTDIR\BrisoleInstaller.ini" "BDE" "DBAlias"
  ReadINIStr $2 "$INSTDIR\BrisoleInstaller.ini" "BDE" "ServerName"
  DetailPrint "Registering the database alias $1 for the server $2"
  System::Call '$PLUGINSDIR\VInstallParamsClient.dll::SetBDEConfig(i 0, m r1, m r2) i .r0 ?u'
  IntOp $0 $0 & 0xFF
  ${If} $0 != 1
    DetailPrint "The database alias could not be registered"
    SetErrorLevel 4
    Quit
  ${EndIf}
SectionEnd
