' Every Print item starts with a blank; each type has its own format.
Sub Main
  Dim i As Integer, l As Long, s As Single, d As Double, t As String
  i = 5: l = 70000: s = 1.25: d = 2.5: t = "a"
  Print i; t
  Print i, l, s, d, t
  Print
  Print ""
  Print "x" & i & "y"
  Print 1e20; 123456789; 1.5e-7
  Print -3; -3.5
End Sub
