' Normalizes one sound file and saves it in the format it was read in:
'   orbick --batch normalize.bas IN OUT [LEVEL_DB]
' LEVEL_DB defaults to -1.0. One macro serves a whole library when a job
' runner starts it once per file (see README: GNU parallel, xargs -P).
Sub Main ()
    If CommandArgCount() < 2 Then
        MsgBox "usage: orbick --batch normalize.bas IN OUT [LEVEL_DB]; got: " & Command$
        Exit Sub
    End If
    level# = -1.0
    If CommandArgCount() >= 3 Then level# = Val(CommandArg$(3))
    e = obOpenEditor()
    obOpenWave e, CommandArg$(1)
    If obIsEditorLoaded(e) = 0 Then
        MsgBox "normalize: could not open " & CommandArg$(1)
        Exit Sub
    End If
    obNormalize e, level#
    obSetFormatType obInquire(e, OB_INQUIRE_FORMAT, 0)
    If obSaveAsWave(e, CommandArg$(2)) = 0 Then MsgBox "normalize: could not save " & CommandArg$(2)
    obCloseEditor e
End Sub
