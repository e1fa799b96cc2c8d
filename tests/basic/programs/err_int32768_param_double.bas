Sub Main
  Dim d As Double
  d = 32767.4
  Print Twice(d)
  d = 32767.5
  Print Twice(d)
  Print "not reached"
End Sub

Function Twice(ByVal n As Integer) As Long
  Twice = CLng(n) * 2
End Function
