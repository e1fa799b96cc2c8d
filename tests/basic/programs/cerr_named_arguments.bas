Sub Main
  Show 1, d := 2
  Show b := 1, b := 2
  Show 1, b := 2, 3
  Show a := 1
End Sub

Sub Show(a As Integer, b As Integer)
  Print a; b
End Sub
