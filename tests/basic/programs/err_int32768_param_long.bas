Sub Main
  Dim v As Long
  v = -32768
  Show v
  v = 32768
  Show v
  Print "not reached"
End Sub

Sub Show(ByVal n As Integer)
  Print n
End Sub
