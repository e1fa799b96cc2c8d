' Integer and Long arithmetic and comparisons: mixed operand types, the ends
' of the Long range, every relation of If, and Select Case on each type.
Sub Main
  Dim a As Long, b As Integer, v
  a = 2147483646
  a = a + 1
  Print a
  a = -2147483647
  a = a - 1
  Print a; Rel(a, 2147483647)
  b = 5
  a = 100000
  v = a - b
  Print v
  v = b + b
  Print v
  Print Rel(3, 5); Rel(5, 5); Rel(7, 5)
  Select Case b
    Case 4
      Print "four"
    Case 5
      Print "five"
  End Select
  Select Case a
    Case 5
      Print "small"
    Case 100000
      Print "big"
  End Select
End Sub

' The relations that hold between x and y, one letter each.
Function Rel(x As Long, y As Long) As String
  Dim s As String
  If x = y Then s = s & "e"
  If x <> y Then s = s & "n"
  If x < y Then s = s & "l"
  If x > y Then s = s & "g"
  If x <= y Then s = s & "L"
  If x >= y Then s = s & "G"
  Rel = s
End Function
