Option Explicit
Sub Main
  Dim a
  a = 1
  b = 2
End Sub
