' Labels, line-number labels and backward GoTo.
Sub Main
  n = 0
Again:
  n = n + 1
  If n < 3 Then GoTo Again
  Print n
  GoTo 100
  Print "skipped"
100 Print "line label"
End Sub
