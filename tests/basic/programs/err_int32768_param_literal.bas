Sub Main
  Show 32767
  Show 32768
  Print "not reached"
End Sub

Sub Show(ByVal n As Integer)
  Print n
End Sub
