' Activations: ByRef passed on through recursion reaches the first caller's
' variable, locals start fresh in every call, results and temporaries belong
' to each call, Exit Function and named arguments.
Sub Main
  Dim total As Long
  Walk total, 5
  Print total
  Walk depth := 2, acc := total
  Print total
  Dim s As String
  Build s, 3
  Print s
  First
  Later
  Later
  Print Pick(1, 2) + Pick(2, 1) * 10
  Print Join(4)
  Dim k As Integer
  k = 7
  Twice k, k
  Print k
End Sub

' Each level adds its depth to the caller's variable, passed on by reference.
Sub Walk(acc As Long, depth As Integer)
  acc = acc + depth
  If depth > 0 Then Walk acc, depth - 1
End Sub

Sub Build(t As String, n As Integer)
  t = t & n
  If n > 1 Then Build t, n - 1
End Sub

Sub First
  Dim q As Long, w As String
  q = 77
  w = "left over"
End Sub

Sub Later
  Dim z As Long, u As String
  Print z; Len(u)
  z = 5
  u = "abc"
End Sub

Function Pick(a As Integer, b As Integer) As Integer
  If a > b Then
    Pick = a
    Exit Function
  End If
  Pick = b
End Function

Function Join(n As Integer) As String
  If n > 0 Then Join = n & "," & Join(n - 1) Else Join = "end"
End Function

Sub Twice(a As Integer, b As Integer)
  a = a + 1
  b = b * 2
End Sub
