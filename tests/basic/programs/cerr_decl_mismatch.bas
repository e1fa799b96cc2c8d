Declare Function labs Lib "libc.so.6" (ByVal n&) As Long
Const k = 5
Type Pt
  x As Integer
End Type
Dim g As Integer
Dim g As Long
Dim g As Integer
Dim labs As Long
Dim k As Integer
Dim Pt As Long
Dim a As Integer, b As Long, a As String
Dim c As Long, c As Long

Sub Main
  Dim v As Integer
  Dim v As String
  Dim w, w As Double
  Print 1
End Sub
Dim Pt As Pt
Sub Other
  Dim Pt
End Sub
