' Whole arrays of user types as parameters: a parameter declared with ()
' refers to the caller's member arrays, through recursion and when it is
' passed on to another procedure; LBound, UBound and Erase work on it.
Type Pt
  x As Integer
  y As Double
  n As String
End Type

Sub Main
  Dim pts(1 To 4) As Pt
  Dim i As Integer
  For i = 1 To 4
    pts(i).x = i
    pts(i).n = "n" & i
  Next i
  Fill pts, 100
  Print pts(1).x; pts(4).x; pts(2).y
  Print Sum(pts, UBound(pts))
  Print Bounds(pts)
  LocalArray
  Rename pts
  Print pts(3).n
  Dim q As Pt
  q = pts(2)
  Print q.x; q.y
  Wipe pts
  Print pts(1).x; Len(pts(1).n); pts(4).y
End Sub

' Adds k to every x and sets y to half of the new x.
Sub Fill(a() As Pt, k As Integer)
  Dim i As Integer
  For i = LBound(a) To UBound(a)
    a(i).x = a(i).x + k
    a(i).y = a(i).x / 2
  Next i
End Sub

Function Sum(a() As Pt, n As Integer) As Long
  If n < LBound(a) Then
    Sum = 0
  Else
    Sum = a(n).x + Sum(a, n - 1)
  End If
End Function

Function Bounds(a() As Pt) As String
  Bounds = Inner(a)
End Function

Function Inner(b() As Pt) As String
  Inner = LBound(b) & ".." & UBound(b) & " " & b(LBound(b)).n
End Function

Sub LocalArray
  Dim loc(2) As Pt
  loc(0).x = 5
  Fill loc, 1
  Print loc(0).x; loc(2).x; loc(1).y
End Sub

Sub Rename(a() As Pt)
  a(3).n = a(3).n & "!"
  Mark a, 3
End Sub

Sub Mark(c() As Pt, i As Integer)
  c(i).n = "<" & c(i).n & ">"
End Sub

Sub Wipe(a() As Pt)
  Erase a
End Sub
