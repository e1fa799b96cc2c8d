' Named arguments (name := value) go to the parameters they name, after any
' positional ones; ByRef still reaches the caller's variable, user-type
' arguments keep their members, and Lib functions take them by their
' declared parameter names.
Declare Function labs Lib "libc.so.6" (ByVal n&) As Long
Type Pt
  x As Integer
End Type

Sub Main
  Dim p As Pt, s As String
  p.x = 4
  Show 1, c := "three", b := 2
  Show c := "z", a := 9, b := 8
  Print Sum(y := 10, x := 1)
  Call Show(1, 2, c := "q")
  Tag n := 5, q := p
  Print p.x
  Fill t := s
  Print s
  Print labs(n := -7)
End Sub

Sub Show(a As Integer, b As Long, c As String)
  Print a; b; c
End Sub

Function Sum(x As Integer, y As Integer) As Integer
  Sum = x * 100 + y
End Function

Sub Tag(q As Pt, n As Integer)
  q.x = q.x + n
End Sub

Sub Fill(t As String)
  t = "filled"
End Sub
