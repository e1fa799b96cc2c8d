Sub Main
  Dim c()
  Dim x% As Long
  Dim d As Integer
  Dim d As Integer
  Dim r(5 To 2)
  Print 40000%
  Exit For
End Sub
