' Recursion with per-call results, ByRef and ByVal parameters.
Sub Main
  Dim a As Integer, b As Integer
  a = 1: b = 2
  Swap a, b
  Print a; b
  AddOne a
  Print a
  AddOneVal a
  Print a
  AddOne 5
  Print Fact(10)
  Print Fib(20)
  Print Depth(5000)
End Sub

Sub Swap(x As Integer, y As Integer)
  Dim t As Integer
  t = x: x = y: y = t
End Sub

Sub AddOne(v As Integer)
  v = v + 1
End Sub

Sub AddOneVal(ByVal v As Integer)
  v = v + 1
End Sub

Function Fact(n As Integer) As Long
  If n <= 1 Then Fact = 1 Else Fact = n * Fact(n - 1)
End Function

Function Fib(n)
  If n < 2 Then
    Fib = n
  Else
    Fib = Fib(n - 1) + Fib(n - 2)
  End If
End Function

Function Depth(n As Long) As Long
  If n = 0 Then Depth = 0 Else Depth = 1 + Depth(n - 1)
End Function
