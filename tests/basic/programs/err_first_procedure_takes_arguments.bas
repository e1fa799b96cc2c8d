' A helper written above Sub Main: the first procedure is the one that runs.

Function Add2(a As Long, b As Long) As Long
  Add2 = a + b
End Function

Sub Main
  Print Add2(1, 2)
End Sub
