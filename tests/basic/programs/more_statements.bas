' Input #, Seek, Static locals, Exit Function, Call forms, nested Select, Loop While.
Sub Main
  Open "more_statements.txt" For Output As #1
  Write #1, "alpha", 42
  Print #1, "line two"
  Close #1
  Open "more_statements.txt" For Input As #1
  Input #1, a$, b
  Print a$; b
  Seek #1, 0
  Line Input #1, l$
  Print l$
  Print Seek(1)
  Close
  Kill "more_statements.txt"
  Call Counter
  Call Counter()
  Counter
  Print Classify(5); Classify(-1)
  Select Case 2
    Case 2
      Select Case "x"
        Case "y": Print "inner y"
        Case Else: Print "inner else"
      End Select
      Print "outer still 2"
    Case 3
      Print "wrong"
  End Select
  i = 0
  Do
    i = i + 1
  Loop While i < 5
  Print i
End Sub

Sub Counter
  Static calls As Integer
  calls = calls + 1
  Print "call"; calls
End Sub

Function Classify(n)
  Classify = "negative"
  If n < 0 Then Exit Function
  Classify = "positive"
End Function
