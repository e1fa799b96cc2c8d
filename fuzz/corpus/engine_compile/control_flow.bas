' For/Step, Do, While, Exit, Select Case, If/ElseIf, GoSub and GoTo.
Sub Main
  Dim i As Integer, n As Integer
  For i = 10 To 1 Step -3
    Print i;
  Next i
  n = 0
  Do While n < 3
    n = n + 1
  Loop
  Print n
  Do
    n = n - 1
  Loop Until n = 0
  Print n
  While n < 5
    n = n + 2
  Wend
  Print n
  For i = 1 To 10
    If i = 4 Then Exit For
  Next
  Print i
  Select Case n
    Case 1, 2
      Print "small"
    Case 3 To 5
      Print "mid"
    Case Else
      Print "big"
  End Select
  Select Case "b"
    Case "a": Print "A"
    Case Is > "a": Print "after a"
  End Select
  If n = 6 Then
    Print "six"
  ElseIf n = 5 Then
    Print "five"
  Else
    Print "other"
  End If
  For i = 1 To 2
    Do
      Exit Do
    Loop
    Print "after do"; i
  Next i
  GoSub Helper
  GoTo Done
  Print "skipped"
Done:
  Print "done"
  Exit Sub
Helper:
  Print "in gosub"
  Return
End Sub
