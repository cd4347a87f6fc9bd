module vexal.example/vexal

go 1.19
