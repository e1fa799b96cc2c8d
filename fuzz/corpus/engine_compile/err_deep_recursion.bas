Sub Main
  Print R(1)
End Sub
Function R(n)
  R = R(n + 1)
End Function
