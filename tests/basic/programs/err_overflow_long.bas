Sub Main
  Print Down(-2147483647)
End Sub
Function Down(n As Long) As Long
  Down = n - 2
End Function
