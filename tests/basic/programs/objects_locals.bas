' Object locals start as Nothing in every call, also in procedures whose
' parameters and result are numbers.
Sub Main
  Dim n As Long
  n = Count(3)
  n = Count(n)
  Print n
  Probe 1
End Sub

Function Count(k As Long) As Long
  Dim y As Object
  Dim z As Object
  Set z = y
  Count = k + 1
End Function

Sub Probe(k As Long)
  Dim y As Object
  y.Count = k
End Sub
