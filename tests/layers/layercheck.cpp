// Links one library and uses nothing of it: what the program then needs at run
// time is what that library's link interface drags in.
int main()
{
    return 0;
}
