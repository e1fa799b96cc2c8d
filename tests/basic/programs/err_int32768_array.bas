Sub Main
  Dim a(3) As Integer
  a(1) = -32768
  Print a(1)
  a(2) = 32768
  Print "not reached"
End Sub
