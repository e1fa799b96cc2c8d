Type Pair
  x As Integer
  y As Long
End Type

Sub Main
  Dim p As Pair
  p.y = 32768
  p.x = 32767
  Print p.x; p.y
  p.x = p.y
  Print "not reached"
End Sub
