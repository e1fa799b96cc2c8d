Sub Main
  Print Big(32767)
  Print Big(32768)
  Print "not reached"
End Sub

Function Big(ByVal n As Long) As Integer
  Big = n
End Function
