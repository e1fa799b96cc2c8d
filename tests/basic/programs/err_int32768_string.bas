Sub Main
  Dim i As Integer
  i = "32767"
  Print i
  i = "32768"
  Print "not reached"
End Sub
