Sub Main
  Dim i As Integer
  For i = 32766 To 32767
    Print i
  Next i
  Print "not reached"
End Sub
