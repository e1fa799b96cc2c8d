' Demo macro run by `make run` in its output folder: opens a tone, sets its
' level, a sustain loop and two markers, and saves it as 24-bit WAV and AIFF.
Sub Main ()
    e = obOpenEditor()
    obOpenWave e, "demo-in.wav"
    If obIsEditorLoaded(e) = 0 Then
        Print "demo: could not open demo-in.wav"
        Exit Sub
    End If
    Print "frames:"; obInquire(e, OB_INQUIRE_SIZE, 0)
    obNormalize e, -3.0
    obSetLoop e, 0, 22050, 66149, OB_SETLOOP_FORWARD, OB_SETLOOP_SUSTAIN
    obSetMarker e, 0, 0
    obSetMarker e, 1, 44099
    obSetFormatType OB_FORMAT_WAV24
    obSaveAsWave e, "demo-out.wav"
    obSetFormatType OB_FORMAT_AIFF24
    obSaveAsWave e, "demo-out.aif"
    Print "saved demo-out.wav and demo-out.aif"
End Sub
