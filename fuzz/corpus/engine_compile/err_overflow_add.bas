Sub Main
  Dim i As Integer
  i = 32767
  Print i
  i = i + 1
  Print "not reached"
End Sub
