Const A = 1
Sub Main
 Print A
End Sub
