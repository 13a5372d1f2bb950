package mx.core
{
	import flash.text.TextField;

	/**
	 * Base of the classes the compiler makes for static text embedded from a
	 * symbol of a SWF file ([Embed(source="library.swf", symbol="...")]).
	 */
	public class TextFieldAsset extends TextField implements IFlexAsset
	{
		public function TextFieldAsset()
		{
			super();
		}
	}
}
