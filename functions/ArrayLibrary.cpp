// The array and statistics functions: one row per built-in, with its help texts.
// Texts are shown exactly as they stand; \n is a line break. Examples are
// complete programs (one-space indentation inside calls spread over lines),
// and each note says what its example does or returns.

#include "functions/Arrays.h"

namespace TernioParser {

namespace {

const TBuiltinRow Rows[] = {
    {"length",
     MakeFunction<TLength>,
     {"a or arr[]",
      "Returns the number of characters of the string <a>, or the number of elements of the array "
      "<arr[]>. Any other argument stops the calculation with an error.",
      "a[9]=0,\n"
      "length(a[])+length('hello')\n",
      "This returns 15: the array a[] has 10 elements and the string 5 characters.",
      nullptr}},
    {"clear",
     MakeFunction<TClear>,
     {"arr[]",
      "Removes all elements of the array <arr[]>, so that its length is 0. The function returns "
      "1.",
      "a[0]=1, a[1]=2,\n"
      "clear(a[]),\n"
      "length(a[])\n",
      "This returns 0, the length of the cleared array.",
      nullptr}},
    {"mean",
     MakeFunction<TMean>,
     {"arr[]",
      "Returns the mean value of the elements of the array <arr[]>, or 0 if the array is empty.",
      "a[0]=2, a[1]=4, a[2]=9,\n"
      "mean(a[])\n",
      "This returns 5.",
      "stddev(arr[])"}},
    {"stddev",
     MakeFunction<TStdDev>,
     {"arr[]",
      "Returns the root mean square deviation of <arr[]> from zero.",
      "a[0]=3, a[1]=4,\n"
      "stddev(a[])\n",
      "This returns 3.53553390593274, the square root of (3^2+4^2)/2.",
      "mean(arr[])"}},
    {"arraymin",
     MakeFunction<TArrMin>,
     {"arr[]",
      "Returns the smallest element of the array <arr[]>. An empty array gives plus infinity.",
      "a[0]=3, a[1]=-7, a[2]=5,\n"
      "arraymin(a[])\n",
      "This returns -7.",
      nullptr}},
    {"arraymax",
     MakeFunction<TArrMax>,
     {"arr[]",
      "Returns the largest element of the array <arr[]>. An empty array gives minus infinity.",
      "a[0]=3, a[1]=-7, a[2]=5,\n"
      "arraymax(a[])\n",
      "This returns 5.",
      nullptr}},
    {"seekmin",
     MakeFunction<TSeekMin>,
     {"arr[]",
      "Returns the index of the smallest element of the array <arr[]>; if several elements hold "
      "the minimum, the index of the first of them. An empty array gives 0.",
      "a[0]=4, a[1]=9, a[2]=1, a[3]=1,\n"
      "seekmin(a[])\n",
      "This returns 2.",
      "seekmax(arr[])"}},
    {"seekmax",
     MakeFunction<TSeekMax>,
     {"arr[]",
      "Returns the index of the largest element of the array <arr[]>; if several elements hold the "
      "maximum, the index of the first of them. An empty array gives 0.",
      "a[0]=4, a[1]=9, a[2]=1, a[3]=9,\n"
      "seekmax(a[])\n",
      "This returns 1.",
      "seekmin(arr[])"}},
    {"append",
     MakeFunction<TAppend>,
     {"a[];b[] or a[];b",
      "Appends elements to the array <a[]>. If the second argument is an array <b[]>, all elements "
      "of <b[]> are appended in their order; otherwise the value <b> is appended as one new element. "
      "The function returns the new number of elements of <a[]>.",
      "a[0]=1, a[1]=2,\n"
      "b[0]=3,\n"
      "append(a[];b[]),\n"
      "append(a[];4)\n",
      "This appends the element of b[] and then the number 4 to a[], which then holds 1, 2, 3 and "
      "4. The return value is 4.",
      "arraycopy(target[],src[],start,count)"}},
    {"arraycopy",
     MakeFunction<TArrayCopy>,
     {"target[];src[];start;count",
      "Copies <count> elements of the array <src[]>, starting at index <start>, into the array <target[]>. "
      "<target[]> is cleared first and then holds only the copied elements: target[i] = src[start+i]. "
      "If <src[]> ends before <count> elements are copied, fewer elements are copied; a negative "
      "<start> counts as 0. The function returns the number of elements copied.",
      "for(i=0;i<10;i+=1;\n"
      " src[i]=i*i\n"
      "),\n"
      "arraycopy(part[];src[];3;4),\n"
      "part[0]+part[3]\n",
      "This copies the four squares 9, 16, 25 and 36 from src[] into part[] and returns 45, the "
      "sum of the first and the last of them.",
      "append(arr1[];arr2[])"}},
    {"sort",
     MakeFunction<TSort>,
     {"a[];b[]",
      "This sorts array <a[]> in ascending order and returns the indices of the sorted elements "
      "in <b[]>. The array <a[]> is not modified by this function. The return value is the number "
      "of elements in <a[]>.",
      "for(i=0;i<100;i+=1;\n"
      " a[i] = random()\n"
      "),\n"
      "sort(a[];b[]),\n"
      "println('Maximum: '+string(a[b[length(b[])-1]])),\n"
      "println('Minimum: '+string(a[b[0]]))\n",
      "This generates 100 random number in array <a[]>. Then the sorted indices of the elements "
      "in <a[]> are returned in b[]. Then the minium and maximum values of <a[]> are displayed.",
      nullptr}},
    {"scroll",
     MakeFunction<TScroll>,
     {"arr[];value;length",
      "This appends <value> at the end of the array <arr[]>. If <arr> has then more than <length> "
      "elements, elements are removed at the front so that it after the operation has <length> elements. "
      "This results in a scrolling effect, where <arr[]> stays constant in length but elements are "
      "moved from the end to the front.",
      "for(i=1;i<=10;i+=1;\n"
      " scroll(last[];i;3)\n"
      "),\n"
      "last[0]\n",
      "This keeps the three newest values in last[], which at the end holds 8, 9 and 10. The return "
      "value is 8.",
      nullptr}},
};

}  // namespace

TLibrary ArrayLibrary() { return Rows; }

}  // namespace TernioParser
